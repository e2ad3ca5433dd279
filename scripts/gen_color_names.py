#!/usr/bin/env python3
"""Writes src/colors/color_names.inc: the named-colour dictionary and the X11 colour set.

The values of the X11 names come from the X11 colour database (rgb.txt, Debian package
x11-common). A name matches an rgb.txt entry when both agree ignoring case and blanks
("LightGoldenRod" is "light goldenrod"). The basic colours, MoneyGreen, Cream and MedGray, the
library's own names and SkyBlue/SkyBlue1 keep fixed values (FIXED below). A colour value holds
red in the lowest byte, so X11 "240 248 255" (AliceBlue) is 0xFFF8F0.

Usage:
  scripts/gen_color_names.py [--rgb FILE]            print the tables to stdout
  scripts/gen_color_names.py [--rgb FILE] --write    rewrite src/colors/color_names.inc
  scripts/gen_color_names.py [--rgb FILE] --check    exit 1 unless the committed file matches
"""
import pathlib
import sys

RGB_TXT = "/usr/share/X11/rgb.txt"
OUT = pathlib.Path(__file__).resolve().parent.parent / "src" / "colors" / "color_names.inc"

# Values that do not come from rgb.txt: the 16 basic colours and three platform colours (where
# X11 has the same name, e.g. Green or Gray, its value differs and is not used), the library's
# own names, and the two sky blues the library has always defined differently.
FIXED = {
    "Black": 0x000000, "Maroon": 0x000080, "Green": 0x008000, "Olive": 0x008080,
    "Navy": 0x800000, "Purple": 0x800080, "Teal": 0x808000, "Gray": 0x808080,
    "Silver": 0xC0C0C0, "Red": 0x0000FF, "Lime": 0x00FF00, "Yellow": 0x00FFFF,
    "Blue": 0xFF0000, "Fuchsia": 0xFF00FF, "Aqua": 0xFFFF00, "White": 0xFFFFFF,
    "MoneyGreen": 0xC0DCC0, "Cream": 0xF0FBFF, "MedGray": 0xA4A0A0,
    "SkyBlue": 0xF0CAA6, "SkyBlue1": 0xEBCE87,
    "Bronze": 0x778899, "Carbon": 0x222222, "Crimson": 0x3C14DC, "Indigo": 0x82004B,
    "RebeccaPurple": 0x993366, "WebGray": 0x808080, "WebGreen": 0x008000,
    "WebMaroon": 0x000080, "WebPurple": 0x800080,
}

# The dictionary in index order (1..466).
NAMES = [
    "Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray", "Silver", "Red",
    "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White", "MoneyGreen", "Cream", "MedGray",
    "AliceBlue", "AntiqueWhite", "AntiqueWhite1", "AntiqueWhite2", "AntiqueWhite3",
    "AntiqueWhite4", "Aquamarine", "Aquamarine1", "Aquamarine2", "Aquamarine3", "Aquamarine4",
    "Azure", "Azure1", "Azure2", "Azure3", "Azure4", "Beige", "Bisque", "Bisque1", "Bisque2",
    "Bisque3", "Bisque4", "BlanchedAlmond", "Blue1", "Blue2", "Blue3", "Blue4", "BlueViolet",
    "Bronze", "Brown", "Brown1", "Brown2", "Brown3", "Brown4", "BurlyWood", "BurlyWood1",
    "BurlyWood2", "BurlyWood3", "BurlyWood4", "CadetBlue", "CadetBlue1", "CadetBlue2",
    "CadetBlue3", "CadetBlue4", "Carbon", "Chartreuse", "Chartreuse1", "Chartreuse2",
    "Chartreuse3", "Chartreuse4", "Chocolate", "Chocolate1", "Chocolate2", "Chocolate3",
    "Chocolate4", "Coral", "Coral1", "Coral2", "Coral3", "Coral4", "CornflowerBlue", "CornSilk",
    "CornSilk1", "CornSilk2", "CornSilk3", "CornSilk4", "Crimson", "Cyan", "Cyan1", "Cyan2",
    "Cyan3", "Cyan4", "DarkBlue", "DarkCyan", "DarkGoldenRod", "DarkGoldenRod1", "DarkGoldenRod2",
    "DarkGoldenRod3", "DarkGoldenRod4", "DarkGray", "DarkGreen", "DarkKhaki", "DarkMagenta",
    "DarkOliveGreen", "DarkOliveGreen1", "DarkOliveGreen2", "DarkOliveGreen3", "DarkOliveGreen4",
    "DarkOrange", "DarkOrange1", "DarkOrange2", "DarkOrange3", "DarkOrange4", "DarkOrchid",
    "DarkOrchid1", "DarkOrchid2", "DarkOrchid3", "DarkOrchid4", "DarkRed", "DarkSalmon",
    "DarkSeaGreen", "DarkSeaGreen1", "DarkSeaGreen2", "DarkSeaGreen3", "DarkSeaGreen4",
    "DarkSlateBlue", "DarkSlateGray", "DarkSlateGray1", "DarkSlateGray2", "DarkSlateGray3",
    "DarkSlateGray4", "DarkTurquoise", "DarkViolet", "DeepPink", "DeepPink1", "DeepPink2",
    "DeepPink3", "DeepPink4", "DeepSkyBlue", "DeepSkyBlue1", "DeepSkyBlue2", "DeepSkyBlue3",
    "DeepSkyBlue4", "DimGray", "DodgerBlue", "DodgerBlue1", "DodgerBlue2", "DodgerBlue3",
    "DodgerBlue4", "FireBrick", "FireBrick1", "FireBrick2", "FireBrick3", "FireBrick4",
    "FloralWhite", "ForestGreen", "Gainsboro", "GhostWhite", "Gold", "Gold1", "Gold2", "Gold3",
    "Gold4", "GoldenRod", "GoldenRod1", "GoldenRod2", "GoldenRod3", "GoldenRod4", "Green1",
    "Green2", "Green3", "Green4", "GreenYellow", "HoneyDew", "HoneyDew1", "HoneyDew2",
    "HoneyDew3", "HoneyDew4", "HotPink", "HotPink1", "HotPink2", "HotPink3", "HotPink4",
    "IndianRed", "IndianRed1", "IndianRed2", "IndianRed3", "IndianRed4", "Indigo", "Ivory",
    "Ivory1", "Ivory2", "Ivory3", "Ivory4", "Khaki", "Khaki1", "Khaki2", "Khaki3", "Khaki4",
    "Lavender", "LavenderBlush", "LavenderBlush1", "LavenderBlush2", "LavenderBlush3",
    "LavenderBlush4", "LawnGreen", "LemonChiffon", "LemonChiffon1", "LemonChiffon2",
    "LemonChiffon3", "LemonChiffon4", "LightBlue", "LightBlue1", "LightBlue2", "LightBlue3",
    "LightBlue4", "LightCoral", "LightCyan", "LightCyan1", "LightCyan2", "LightCyan3",
    "LightCyan4", "LightGoldenRod", "LightGoldenRod1", "LightGoldenRod2", "LightGoldenRod3",
    "LightGoldenRod4", "LightGoldenRodYellow", "LightGray", "LightGreen", "LightPink",
    "LightPink1", "LightPink2", "LightPink3", "LightPink4", "LightSalmon", "LightSalmon1",
    "LightSalmon2", "LightSalmon3", "LightSalmon4", "LightSeaGreen", "LightSkyBlue",
    "LightSkyBlue1", "LightSkyBlue2", "LightSkyBlue3", "LightSkyBlue4", "LightSlateBlue",
    "LightSlateGray", "LightSteelBlue", "LightSteelBlue1", "LightSteelBlue2", "LightSteelBlue3",
    "LightSteelBlue4", "LightYellow", "LightYellow1", "LightYellow2", "LightYellow3",
    "LightYellow4", "LimeGreen", "Linen", "Magenta", "Magenta1", "Magenta2", "Magenta3",
    "Magenta4", "Maroon1", "Maroon2", "Maroon3", "Maroon4", "MediumAquamarine", "MediumBlue",
    "MediumOrchid", "MediumOrchid1", "MediumOrchid2", "MediumOrchid3", "MediumOrchid4",
    "MediumPurple", "MediumPurple1", "MediumPurple2", "MediumPurple3", "MediumPurple4",
    "MediumSeaGreen", "MediumSlateBlue", "MediumSpringGreen", "MediumTurquoise",
    "MediumVioletRed", "MidnightBlue", "MintCream", "MistyRose", "MistyRose1", "MistyRose2",
    "MistyRose3", "MistyRose4", "Moccasin", "NavajoWhite", "NavajoWhite1", "NavajoWhite2",
    "NavajoWhite3", "NavajoWhite4", "NavyBlue", "OldLace", "OliveDrab", "OliveDrab1",
    "OliveDrab2", "OliveDrab3", "OliveDrab4", "Orange", "Orange1", "Orange2", "Orange3",
    "Orange4", "OrangeRed", "OrangeRed1", "OrangeRed2", "OrangeRed3", "OrangeRed4", "Orchid",
    "Orchid1", "Orchid2", "Orchid3", "Orchid4", "PaleGoldenRod", "PaleGreen", "PaleGreen1",
    "PaleGreen2", "PaleGreen3", "PaleGreen4", "PaleTurquoise", "PaleTurquoise1", "PaleTurquoise2",
    "PaleTurquoise3", "PaleTurquoise4", "PaleVioletRed", "PaleVioletRed1", "PaleVioletRed2",
    "PaleVioletRed3", "PaleVioletRed4", "PapayaWhip", "PeachPuff", "PeachPuff1", "PeachPuff2",
    "PeachPuff3", "PeachPuff4", "Peru", "Pink", "Pink1", "Pink2", "Pink3", "Pink4", "Plum",
    "Plum1", "Plum2", "Plum3", "Plum4", "PowderBlue", "Purple1", "Purple2", "Purple3", "Purple4",
    "RebeccaPurple", "Red1", "Red2", "Red3", "Red4", "RosyBrown", "RosyBrown1", "RosyBrown2",
    "RosyBrown3", "RosyBrown4", "RoyalBlue", "RoyalBlue1", "RoyalBlue2", "RoyalBlue3",
    "RoyalBlue4", "SaddleBrown", "Salmon", "Salmon1", "Salmon2", "Salmon3", "Salmon4",
    "SandyBrown", "SeaGreen", "SeaGreen1", "SeaGreen2", "SeaGreen3", "SeaGreen4", "SeaShell",
    "SeaShell1", "SeaShell2", "SeaShell3", "SeaShell4", "Sienna", "Sienna1", "Sienna2", "Sienna3",
    "Sienna4", "SkyBlue", "SkyBlue1", "SkyBlue2", "SkyBlue3", "SkyBlue4", "SlateBlue",
    "SlateBlue1", "SlateBlue2", "SlateBlue3", "SlateBlue4", "SlateGray", "SlateGray1",
    "SlateGray2", "SlateGray3", "SlateGray4", "Snow", "Snow1", "Snow2", "Snow3", "Snow4",
    "SpringGreen", "SpringGreen1", "SpringGreen2", "SpringGreen3", "SpringGreen4", "SteelBlue",
    "SteelBlue1", "SteelBlue2", "SteelBlue3", "SteelBlue4", "Tan", "Tan1", "Tan2", "Tan3", "Tan4",
    "Thistle", "Thistle1", "Thistle2", "Thistle3", "Thistle4", "Tomato", "Tomato1", "Tomato2",
    "Tomato3", "Tomato4", "Turquoise", "Turquoise1", "Turquoise2", "Turquoise3", "Turquoise4",
    "Violet", "VioletRed", "VioletRed1", "VioletRed2", "VioletRed3", "VioletRed4", "WebGray",
    "WebGreen", "WebMaroon", "WebPurple", "Wheat", "Wheat1", "Wheat2", "Wheat3", "Wheat4",
    "WhiteSmoke", "Yellow1", "Yellow2", "Yellow3", "Yellow4", "YellowGreen",
]

X11_SET = [
    "AliceBlue", "AntiqueWhite", "Aqua", "Aquamarine", "Azure", "Beige", "Bisque", "Black",
    "BlanchedAlmond", "Blue", "BlueViolet", "Brown", "BurlyWood", "CadetBlue", "Chartreuse",
    "Chocolate", "Coral", "CornflowerBlue", "CornSilk", "Crimson", "Cyan", "DarkBlue", "DarkCyan",
    "DarkGoldenRod", "DarkGray", "DarkGreen", "DarkKhaki", "DarkMagenta", "DarkOliveGreen",
    "DarkOrange", "DarkOrchid", "DarkRed", "DarkSalmon", "DarkSeaGreen", "DarkSlateBlue",
    "DarkSlateGray", "DarkTurquoise", "DarkViolet", "DeepPink", "DeepSkyBlue", "DimGray",
    "DodgerBlue", "FireBrick", "FloralWhite", "ForestGreen", "Fuchsia", "Gainsboro", "GhostWhite",
    "Gold", "GoldenRod", "Gray", "Green", "GreenYellow", "HoneyDew", "HotPink", "IndianRed",
    "Indigo", "Ivory", "Khaki", "Lavender", "LavenderBlush", "LawnGreen", "LemonChiffon",
    "LightBlue", "LightCoral", "LightCyan", "LightGoldenRod", "LightGray", "LightGreen",
    "LightPink", "LightSalmon", "LightSeaGreen", "LightSkyBlue", "LightSlateBlue",
    "LightSlateGray", "LightSteelBlue", "LightYellow", "Lime", "LimeGreen", "Linen", "Magenta",
    "Maroon", "MediumAquamarine", "MediumBlue", "MediumOrchid", "MediumPurple", "MediumSeaGreen",
    "MediumSlateBlue", "MediumSpringGreen", "MediumTurquoise", "MediumVioletRed", "MidnightBlue",
    "MintCream", "MistyRose", "Moccasin", "NavajoWhite", "Navy", "OldLace", "Olive", "OliveDrab",
    "Orange", "OrangeRed", "Orchid", "PaleGoldenRod", "PaleGreen", "PaleTurquoise",
    "PaleVioletRed", "PapayaWhip", "PeachPuff", "Peru", "Pink", "Plum", "PowderBlue", "Purple",
    "RebeccaPurple", "Red", "RosyBrown", "RoyalBlue", "SaddleBrown", "Salmon", "SandyBrown",
    "SeaGreen", "SeaShell", "Sienna", "Silver", "SkyBlue", "SlateBlue", "SlateGray", "Snow",
    "SpringGreen", "SteelBlue", "Tan", "Thistle", "Tomato", "Turquoise", "Violet", "WebGray",
    "WebGreen", "WebMaroon", "WebPurple", "Wheat", "White", "WhiteSmoke", "Yellow", "YellowGreen",
]


def key(name):
    """The form in which names are compared: lower case, blanks removed."""
    return name.replace(" ", "").lower()


def read_rgb_txt(path):
    """Maps key(name) to the colour value of each rgb.txt entry (the first one wins)."""
    table = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            if line.startswith("!") or not line.strip():
                continue
            fields = line.split()
            r, g, b = (int(v) for v in fields[:3])
            table.setdefault(key(" ".join(fields[3:])), r | g << 8 | b << 16)
    return table


def dictionary_values(rgb):
    """The value of every name of NAMES, in order; fails on a name found nowhere."""
    values = []
    for name in NAMES:
        if name in FIXED:
            values.append(FIXED[name])
        elif key(name) in rgb:
            values.append(rgb[key(name)])
        else:
            sys.exit(f"{name}: neither a fixed colour nor in the X11 colour database")
    return values


def render(values):
    first_value = dict(reversed(list(zip(NAMES, values))))  # lowest index wins
    lines = [
        "// Generated by scripts/gen_color_names.py from the X11 colour database; do not edit.",
        "",
        "constinit const IndexedArray<TColor, 1, kNumKRVColors> AllKRVColors = {{",
    ]
    lines += [f"    0x{v:06X},  // {i} {n}" for i, (n, v) in enumerate(zip(NAMES, values), 1)]
    lines += ["}};", "",
              "constinit const IndexedArray<std::u16string_view, 1, kNumKRVColors> "
              "AllKRVColorNames = {{"]
    lines += [f'    u"{n}",' for n in NAMES]
    lines += ["}};", "", "constinit const IndexedArray<TColor, 1, 145> X11Colors = {{"]
    lines += [f"    0x{first_value[n]:06X},  // {n}" for n in X11_SET]
    lines += ["}};", ""]
    return "\n".join(lines)


def main(argv):
    path = RGB_TXT
    if "--rgb" in argv:
        path = argv[argv.index("--rgb") + 1]
    assert len(NAMES) == 466 and len(set(NAMES)) == 466 and len(X11_SET) == 145
    text = render(dictionary_values(read_rgb_txt(path)))
    if "--write" in argv:
        OUT.write_text(text)
    elif "--check" in argv:
        if OUT.read_text() != text:
            sys.exit(f"{OUT} is out of date: run {sys.argv[0]} --write")
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main(sys.argv[1:])
