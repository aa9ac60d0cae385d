#!/usr/bin/env python3
"""Checks the layering of src/: every include of a project header names the
file's own folder or a folder below it, and no two folders include each
other. Prints the include counts between folders; exits 1 on a violation.

Usage: check_layers.py SRC_DIR
"""
import os
import re
import sys

# Bottom to top; a folder may include the folders before it (render and vrml
# stand side by side on scene and never include each other).
LAYERS = {
    "base": [],
    "raster": ["base"],
    "scene": ["raster", "base"],
    "vrml": ["scene", "raster", "base"],
    "render": ["scene", "raster", "base"],
    "events": ["render", "scene", "raster", "base"],
    "app": ["events", "vrml", "render", "scene", "raster", "base"],
    "shell": ["app", "events", "vrml", "render", "scene", "raster", "base"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z_]+)/[^"]+"', re.M)


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else "src"
    bad = []
    edges = {}
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        if folder not in LAYERS:
            bad.append("%s: a folder outside the layers" % folder)
            continue
        for name in sorted(os.listdir(path)):
            text = open(os.path.join(path, name), encoding="utf-8", errors="replace").read()
            for target in INCLUDE.findall(text):
                if target == folder:
                    continue
                edges[(folder, target)] = edges.get((folder, target), 0) + 1
                if target not in LAYERS[folder]:
                    bad.append("src/%s/%s includes %s/" % (folder, name, target))
    for (a, b), n in sorted(edges.items()):
        print("%-7s -> %-7s %3d" % (a, b, n))
    for (a, b) in edges:
        if (b, a) in edges and a < b:
            bad.append("%s and %s include each other" % (a, b))
    for line in bad:
        print("layer violation:", line)
    print("layers: %s" % ("broken" if bad else "clean"))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
