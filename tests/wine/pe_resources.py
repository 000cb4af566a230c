#!/usr/bin/env python3
"""Reads the resources of a built Windows program (PE32 or PE32+) as the system finds them.

  pe_resources.py icons PROGRAM [ICO]   the lowest icon group's ID, then one line per image it
                                        lists, in its order: "WIDTHxHEIGHT BITS-bit" (a PNG image
                                        adds " png"). With ICO, also checks that the group lists
                                        that file's images in its order and that each RT_ICON
                                        resource the group names holds exactly the file's image
  pe_resources.py manifest PROGRAM      the manifest (type 24, the lowest ID)
  pe_resources.py awareness PROGRAM     the manifest's display-scaling declarations, one line
                                        each: "dpiAware VALUE NAMESPACE", "dpiAwareness ..."

Exit status 0; 1 when a check fails or the resource is missing; 2 on a usage error or a file
that is not a PE.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_ICON = 3
RT_GROUP_ICON = 14
RT_MANIFEST = 24


class Resources:
    """The resource tree of a PE32 or PE32+ file."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ':
            raise ValueError('not an MZ executable')
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('no PE header')
        sections, optional_size = struct.unpack_from('<H12xH', data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from('<H', data, optional)[0]
        directories = optional + {0x10B: 96, 0x20B: 112}[magic]
        self.root_rva = struct.unpack_from('<I', data, directories + 2 * 8)[0]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            size, rva, raw_size, raw = struct.unpack_from('<IIII', data, at + 8)
            self.sections.append((rva, max(size, raw_size), raw))
        self.root = self.offset(self.root_rva)

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f'RVA {rva:#x} lies in no section')

    def entries(self, directory):
        """The (ID, offset, is a directory) entries of a directory; IDs only, no names."""
        named, ids = struct.unpack_from('<HH', self.data, self.root + directory + 12)
        out = []
        for i in range(named, named + ids):
            key, target = struct.unpack_from('<II', self.data, self.root + directory + 16 + 8 * i)
            out.append((key, target & 0x7FFFFFFF, bool(target & 0x80000000)))
        return out

    def ids(self, kind):
        for key, target, is_dir in self.entries(0):
            if key == kind and is_dir:
                return {k: t for k, t, d in self.entries(target) if d}
        return {}

    def get(self, kind, ident):
        """The data of resource (kind, ident) in its first language."""
        directory = self.ids(kind).get(ident)
        if directory is None:
            return None
        languages = self.entries(directory)
        if not languages:
            return None
        rva, size = struct.unpack_from('<II', self.data, self.root + languages[0][1])
        at = self.offset(rva)
        return self.data[at:at + size]


def describe(width, height, bits, image):
    return f'{width or 256}x{height or 256} {bits}-bit' + (
        ' png' if image[:8] == b'\x89PNG\r\n\x1a\n' else '')


def cmd_icons(args):
    res = Resources(open(args[0], 'rb').read())
    groups = sorted(res.ids(RT_GROUP_ICON))
    if not groups:
        print('no icon group')
        return 1
    group = res.get(RT_GROUP_ICON, groups[0])
    count = struct.unpack_from('<HHH', group, 0)[2]
    listed = []
    for i in range(count):
        width, height, _, _, _, bits, size, ident = struct.unpack_from('<BBBBHHIH', group,
                                                                       6 + 14 * i)
        image = res.get(RT_ICON, ident) or b''
        if len(image) != size:
            print(f'icon {ident}: {len(image)} bytes, the group says {size}')
            return 1
        listed.append((width, height, bits, image))
    print(f'group {groups[0]}')
    for width, height, bits, image in listed:
        print(describe(width, height, bits, image))
    if len(args) == 2:
        ico = open(args[1], 'rb').read()
        wanted = []
        for i in range(struct.unpack_from('<HHH', ico, 0)[2]):
            width, height, _, _, _, bits, size, at = struct.unpack_from('<BBBBHHII', ico, 6 + 16 * i)
            wanted.append((width, height, bits, ico[at:at + size]))
        if listed != wanted:
            print('the group differs from ' + args[1] + ', which lists: ' +
                  ', '.join(describe(*w) for w in wanted))
            return 1
    return 0


def cmd_manifest_text(args):
    res = Resources(open(args[0], 'rb').read())
    ids = sorted(res.ids(RT_MANIFEST))
    return res.get(RT_MANIFEST, ids[0]) if ids else None


def cmd_manifest(args):
    manifest = cmd_manifest_text(args)
    if manifest is None:
        return 1
    sys.stdout.write(manifest.decode('utf-8'))
    return 0


def cmd_awareness(args):
    manifest = cmd_manifest_text(args)
    if manifest is None:
        return 1
    for element in ElementTree.fromstring(manifest).iter():
        namespace, _, tag = element.tag[1:].rpartition('}') if element.tag.startswith('{') \
            else ('', '', element.tag)
        if tag in ('dpiAware', 'dpiAwareness'):
            print(f'{tag} {(element.text or "").strip()} {namespace}')
    return 0


COMMANDS = {'icons': cmd_icons, 'manifest': cmd_manifest, 'awareness': cmd_awareness}

if __name__ == '__main__':
    if len(sys.argv) < 3 or sys.argv[1] not in COMMANDS:
        print(__doc__)
        sys.exit(2)
    try:
        sys.exit(COMMANDS[sys.argv[1]](sys.argv[2:]))
    except (ValueError, KeyError, struct.error, IndexError, ElementTree.ParseError) as e:
        print(f'{sys.argv[2]}: {e}', file=sys.stderr)
        sys.exit(2)
