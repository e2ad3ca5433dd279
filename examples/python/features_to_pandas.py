#!/usr/bin/python3
"""Read a feature-matrix file into pandas, work on it there, and write it back.

The file's features become the DataFrame's columns with dtypes after their kinds (integer:
Int64, double: float64, string: string, tri-state: boolean), missing values as <NA> or NaN.
The rest of each feature's record (number, comment, presets) rides along in
DataFrame.attrs, so the matrix written back keeps it.

    features_to_pandas.py samples/features-sample.txt
    features_to_pandas.py measurements.txt --sort "Mass g" --output sorted.txt

Without --output nothing is written: the script prints the table, a summary of its numeric
columns and what the file written back would hold.
"""
import argparse
import sys

import korvex


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Read a feature-matrix file into pandas and "
                                                 "write it back.")
    parser.add_argument("file", help="the feature-matrix file")
    parser.add_argument("--sort", metavar="FEATURE", help="order the objects by this feature")
    parser.add_argument("-o", "--output", help="write the (sorted) matrix to this file")
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    try:
        frame = korvex.read_feature_dataframe(args.file)
    except (OSError, korvex.FileFormatError) as e:
        print(f"features_to_pandas.py: {e}", file=sys.stderr)
        return 2
    print(f"{args.file}: {frame.shape[0]} objects, {frame.shape[1]} features")
    print(frame.dtypes.to_string(), end="\n\n")
    print(frame.to_string(max_rows=20), end="\n\n")
    numeric = frame.select_dtypes(include="number")
    if not numeric.empty:
        print(numeric.describe().to_string(), end="\n\n")

    if args.sort:
        if args.sort not in frame.columns:
            print(f"features_to_pandas.py: no feature is called {args.sort!r}", file=sys.stderr)
            return 2
        attrs = frame.attrs
        frame = frame.sort_values(args.sort, na_position="last", kind="stable")
        frame = frame.reset_index(drop=True)
        frame.attrs = attrs  # the records' numbers, comments and presets

    matrix = korvex.FeatureMatrix.from_dataframe(frame)
    if args.output:
        matrix.save(args.output)
        again = korvex.read_feature_dataframe(args.output)
        same = again.equals(frame)
        print(f"wrote {args.output}; read back {'unchanged' if same else 'CHANGED'}")
        return 0 if same else 1
    print(matrix.to_str().replace("\r\n", "\n"), end="")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
