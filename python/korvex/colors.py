"""Colours: a colour value is an int with red in the low byte, then green, then blue (the
library's TColor: 0x0000FF is red). Wherever a colour is taken, an (r, g, b) tuple, a name of
the colour dictionary ('Navy Blue', any case), '#RRGGBB' or '$BBGGRR' will do as well.

Conversions between colour models return tuples; ColorArray is the library's colour scale as
a sequence indexed from 0, to and from numpy (n, 3) RGB arrays and its colour-table file."""
from ._korvex import (PALETTES, PREDEFINED_COLORS, X11_COLORS, ColorArray, cmy_to_cmyk, cmy_to_rgb,
                      cmyk_to_cmy, color_by_name, color_distance, color_name, color_names,
                      color_to_gray, color_to_gray_color, color_to_hex, hex_to_color, hsi_to_rgb,
                      interpolate_3_colors, interpolate_color, invert_color, mean_color,
                      named_colors, parse_color, random_color, reverse_rgb, rgb, rgb_to_cmy,
                      rgb_to_gray, rgb_to_gray_color, rgb_to_hsi, to_rgb, wavelength_to_color)

__all__ = ["PALETTES", "PREDEFINED_COLORS", "X11_COLORS", "ColorArray", "cmy_to_cmyk", "cmy_to_rgb",
           "cmyk_to_cmy", "color_by_name", "color_distance", "color_name", "color_names",
           "color_to_gray", "color_to_gray_color", "color_to_hex", "hex_to_color", "hsi_to_rgb",
           "interpolate_3_colors", "interpolate_color", "invert_color", "mean_color",
           "named_colors", "parse_color", "random_color", "reverse_rgb", "rgb", "rgb_to_cmy",
           "rgb_to_gray", "rgb_to_gray_color", "rgb_to_hsi", "to_rgb", "wavelength_to_color",
           "color_to_hsi", "color_to_cmyk", "web_color"]


def color_to_hsi(color) -> tuple:
    """(hue, saturation, intensity) of a colour (hue -1 for greys other than black)."""
    return rgb_to_hsi(*to_rgb(color))


def color_to_cmyk(color) -> tuple:
    """(cyan, magenta, yellow, black) of a colour, black taken out of the three."""
    return cmy_to_cmyk(*rgb_to_cmy(*to_rgb(color)))


def web_color(color) -> str:
    """The colour as '#RRGGBB' (web order), as matplotlib and HTML take it."""
    return "#%02X%02X%02X" % to_rgb(color)
