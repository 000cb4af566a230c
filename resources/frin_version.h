// The program's version: the one place it is written. frin.rc, CMake and the installer script
// (packaging/frin.nsi, through tools/package) all read it from here.
#pragma once

#define FRIN_VERSION_MAJOR 3
#define FRIN_VERSION_MINOR 2
// The version as users see it: the minor number in two digits.
#define FRIN_VERSION_TEXT "3.02"
