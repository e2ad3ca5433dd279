"""A colour scale as a numpy array, plotted.

Blends one of the library's palettes into a scale of colours (korvex.ColorArray, as
`krv color scale` does), takes it as an (n, 3) array of red, green and blue, and draws it:
with matplotlib when it is installed (a colour bar, saved as a PNG picture), otherwise through
korvex's own Bitmap, one column of pixels per colour, saved as a PNG.

    python3 color_scale_plot.py [--palette NAME] [--size N] [--levels L] [-o FILE]
"""
import argparse
import sys

import korvex


def scale_array(palette: str, size: int, levels: int):
    """The scale's colours as a uint8 array of shape (size, 3)."""
    return korvex.ColorArray(size, palette, levels).to_numpy()


def plot_with_matplotlib(rgb, title: str, output: str) -> None:
    import matplotlib
    matplotlib.use("Agg")  # no display needed
    import matplotlib.pyplot as plt

    figure, axes = plt.subplots(figsize=(8, 1.5))
    axes.imshow(rgb[None, :, :], aspect="auto", extent=(1, len(rgb), 0, 1))
    axes.set_yticks([])
    axes.set_xlabel("colour number")
    axes.set_title(title)
    figure.tight_layout()
    figure.savefig(output)


def plot_with_bitmap(rgb, height: int, output: str) -> None:
    """One column per colour, `height` pixels high, in a 1-pixel black frame."""
    picture = korvex.Bitmap(len(rgb) + 2, height + 2)
    canvas = picture.canvas
    canvas.brush.style = "clear"
    canvas.rectangle(0, 0, len(rgb) + 2, height + 2)
    for x, (r, g, b) in enumerate(rgb.tolist()):
        canvas.pen.color = (r, g, b)
        canvas.line(x + 1, 1, x + 1, height + 1)
    picture.save_png(output)


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--palette", default="rainbow", choices=sorted(korvex.PALETTES))
    parser.add_argument("--size", type=int, default=256)
    parser.add_argument("--levels", type=int, default=0)
    parser.add_argument("-o", "--output", default="color_scale.png")
    args = parser.parse_args(argv)

    rgb = scale_array(args.palette, args.size, args.levels)
    print("%s: %d colours, first %s, last %s" % (args.palette, len(rgb),
                                               korvex.web_color(tuple(rgb[0].tolist())),
                                               korvex.web_color(tuple(rgb[-1].tolist()))))
    try:
        plot_with_matplotlib(rgb, "palette %s" % args.palette, args.output)
        print("plotted with matplotlib to", args.output)
    except ImportError:
        plot_with_bitmap(rgb, 48, args.output)
        print("matplotlib is not installed; drew the scale as a bitmap in", args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
