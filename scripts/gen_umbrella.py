#!/usr/bin/env python3
"""Writes include/korvex/<area>.h (every header of the area) and include/korvex/korvex.h."""
import pathlib

root = pathlib.Path(__file__).resolve().parent.parent / "include" / "korvex"
areas = ["platform", "base", "colors", "stringl", "streams", "htmlsupport", "dstruct", "cpuid",
         "filesys"]
present = []
for area in areas:
    folder = root / area
    headers = sorted(p.name for p in folder.glob("*.h")) if folder.is_dir() else []
    if not headers:
        continue
    present.append(area)
    lines = [f"// Every header of the {area} area.", "#pragma once", ""]
    lines += [f'#include "korvex/{area}/{h}"' for h in headers]
    (root / f"{area}.h").write_text("\n".join(lines) + "\n")
lines = ["// The whole Korvex library, area by area in unit order.", "#pragma once", "",
         "// clang-format off"]
lines += [f'#include "korvex/{a}.h"' for a in present]
lines.append('#include "korvex/package.h"')
lines.append("// clang-format on")
(root / "korvex.h").write_text("\n".join(lines) + "\n")
