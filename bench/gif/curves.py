#!/usr/bin/env python3
"""Size against SSIM per clip, from the rows run.sh collects.

Usage: curves.py ROWS.tsv OUT_DIR

ROWS.tsv holds one encode a line: clip, curve, setting, size in bytes, SSIM
(tab-separated). The curve "kinetta" is ours; every other curve's points are
anchors. For each clip this writes OUT_DIR/<clip>/size-ssim.png and prints a
Markdown table: at each anchor point, our size at the same SSIM (interpolated
on our curve, linearly in log size between the two points around it), and
whether it is at or below the anchor's size.
"""

import collections
import math
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the backend)

OURS = "kinetta"


def read_rows(path):
    curves = collections.defaultdict(lambda: collections.defaultdict(list))
    with open(path, encoding="utf-8") as rows:
        for line in rows:
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 5:
                continue
            clip, curve, setting, size, ssim = fields
            try:
                curves[clip][curve].append((setting, int(size), float(ssim)))
            except ValueError:
                continue
    return curves


def size_at(ours, ssim):
    """Our size at this SSIM and how it was found, or None past our best."""
    points = sorted(ours, key=lambda p: p[2])
    if ssim > points[-1][2]:
        return None, "above our best SSIM"
    if ssim <= points[0][2]:
        # Our lowest setting already scores at least this: its size bounds ours.
        return points[0][1], f"our {points[0][0]} (SSIM {points[0][2]:.5f}) bounds it"
    for (s0, z0, q0), (s1, z1, q1) in zip(points, points[1:]):
        if q0 <= ssim <= q1:
            share = 0.0 if q1 == q0 else (ssim - q0) / (q1 - q0)
            size = math.exp(math.log(z0) + share * (math.log(z1) - math.log(z0)))
            return size, f"between our {s0} and {s1}"
    return None, "not bracketed"


def plot(clip, curves, out_dir):
    fig, axes = plt.subplots(figsize=(7, 4.5), dpi=110)
    for curve in sorted(curves, key=lambda c: (c != OURS, c)):
        points = sorted(curves[curve], key=lambda p: p[2])
        xs = [p[1] / 1024 for p in points]
        ys = [p[2] for p in points]
        style = dict(marker="o", linewidth=2.2) if curve == OURS else dict(marker="s", linewidth=1.2)
        if curve.endswith("max-size"):
            style = dict(marker="*", markersize=12, linestyle="none")
        axes.plot(xs, ys, label=curve, **style)
        for setting, size, ssim in points:
            axes.annotate(setting, (size / 1024, ssim), fontsize=7, xytext=(3, 3),
                          textcoords="offset points")
    axes.set_xscale("log")
    axes.set_xlabel("file size (KiB, log scale)")
    axes.set_ylabel("SSIM")
    axes.set_title(f"{clip}: size against SSIM")
    axes.grid(True, which="both", alpha=0.3)
    axes.legend(fontsize=8)
    fig.tight_layout()
    path = f"{out_dir}/{clip}/size-ssim.png"
    fig.savefig(path)
    plt.close(fig)
    return path


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    curves_by_clip = read_rows(sys.argv[1])
    out_dir = sys.argv[2]
    verdicts = []
    print("\n## Size at equal SSIM\n")
    print("Our size interpolated at each anchor point's SSIM; PASS when at or below the anchor's.\n")
    print("| clip | anchor | size | SSIM | ours at that SSIM | ours / anchor | how | verdict |")
    print("|---|---|---:|---:|---:|---:|---|---|")
    for clip, curves in curves_by_clip.items():
        ours = curves.get(OURS)
        if not ours:
            continue
        for curve in sorted(curves):
            if curve == OURS or curve.endswith("max-size"):
                continue
            for setting, size, ssim in sorted(curves[curve], key=lambda p: p[2]):
                at, how = size_at(ours, ssim)
                if at is None:
                    verdict = "FAIL"
                    print(f"| {clip} | {curve} {setting} | {size} | {ssim:.5f} | - | - | {how} | {verdict} |")
                else:
                    verdict = "PASS" if at <= size else "FAIL"
                    print(f"| {clip} | {curve} {setting} | {size} | {ssim:.5f} | {at:.0f} |"
                          f" {at / size:.3f} | {how} | {verdict} |")
                verdicts.append(verdict)
    print()
    for clip, curves in curves_by_clip.items():
        print(f"- plot: {plot(clip, curves, out_dir)}")
    print(f"\nAt or below every anchor: {verdicts.count('PASS')} of {len(verdicts)} points")


if __name__ == "__main__":
    main()
