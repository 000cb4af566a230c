#!/usr/bin/env python3
"""Reads the resources of a built Windows program (PE32 or PE32+), as the system finds them.

  pe_resources.py manifest FILE       prints the manifest (type 24, the lowest id)
  pe_resources.py awareness FILE      prints the manifest's display-scaling declarations, one
                                      line each: "dpiAware VALUE", "dpiAwareness VALUE"
  pe_resources.py icons FILE ID       prints the entries of icon group ID in their order, one
                                      line each: "WIDTHxHEIGHT BITS"

Exit status 0, 1 when the resource is missing, 2 on a usage error or a file that is not a PE.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24


class NotPe(Exception):
    pass


class Resources:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise NotPe("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise NotPe("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.root_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<8xIIII", data, table + 40 * i)
            self.sections.append((rva, max(size, raw_size), raw))
        if self.root_rva == 0:
            raise NotPe("no resources")
        self.root = self.offset(self.root_rva)

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise NotPe("address %#x lies in no section" % rva)

    def entries(self, directory):
        """(id, offset of the entry's target, is a directory) of one directory, in order."""
        named, ids = struct.unpack_from("<12xHH", self.data, directory)
        out = []
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            out.append((name, self.root + (target & 0x7FFFFFFF), bool(target & 0x80000000)))
        return out

    def find(self, kind, ident=None):
        """The bytes of the first language of resource (kind, ident); the lowest id when ident
        is None. None when there is no such resource."""
        for name, target, _ in self.entries(self.root):
            if name != kind:
                continue
            for rid, sub, _ in self.entries(target):
                if ident is not None and rid != ident:
                    continue
                _, leaf, _ = self.entries(sub)[0]
                rva, size = struct.unpack_from("<II", self.data, leaf)
                start = self.offset(rva)
                return self.data[start:start + size]
        return None


def awareness(manifest):
    lines = []
    for element in ElementTree.fromstring(manifest).iter():
        tag = element.tag.split("}")[-1]
        if tag in ("dpiAware", "dpiAwareness"):
            namespace = element.tag[1:].split("}")[0] if element.tag.startswith("{") else ""
            lines.append("%s %s %s" % (tag, (element.text or "").strip(), namespace))
    return lines


def main(argv):
    if len(argv) < 3 or argv[1] not in ("manifest", "awareness", "icons"):
        print(__doc__)
        return 2
    try:
        with open(argv[2], "rb") as f:
            resources = Resources(f.read())
        if argv[1] == "icons":
            group = resources.find(RT_GROUP_ICON, int(argv[3]))
            if group is None:
                return 1
            count = struct.unpack_from("<HHH", group, 0)[2]
            for i in range(count):
                w, h, _, _, _, bits, _, _ = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
                print("%dx%d %d" % (w or 256, h or 256, bits))
            return 0
        manifest = resources.find(RT_MANIFEST)
        if manifest is None:
            return 1
        if argv[1] == "manifest":
            sys.stdout.write(manifest.decode("utf-8"))
        else:
            print("\n".join(awareness(manifest)))
        return 0
    except (NotPe, struct.error, IndexError, ValueError) as e:
        print("%s: %s" % (argv[2], e), file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
