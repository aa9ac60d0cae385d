#include "bench_worlds.h"

#include <cstdint>
#include <cstdio>

namespace {

// value / 10^decimals written with exactly that many decimals ("-0.0500").
void appendFixed(std::string& out, int64_t value, int decimals) {
    if (value < 0) {
        out += '-';
        value = -value;
    }
    int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    out += std::to_string(value / scale);
    if (decimals == 0) return;
    out += '.';
    std::string fraction = std::to_string(value % scale);
    out.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    out += fraction;
}

// A small deterministic hash of grid positions, 0 .. 2^31 - 1.
uint32_t mix(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9E3779B1u ^ b * 0x85EBCA77u ^ c * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h & 0x7FFFFFFFu;
}

constexpr int kTerrainTiles = 4;
constexpr int kTerrainSide = 196;  // points per tile edge

void appendTerrainTile(std::string& out, int tile) {
    const int side = kTerrainSide;
    const int originX = (tile % 2) * (side - 1) * 500;  // in thousandths
    const int originZ = (tile / 2) * (side - 1) * 500;
    out += "# tile " + std::to_string(tile + 1) + " of " + std::to_string(kTerrainTiles) + ": " +
           std::to_string(side) + " x " + std::to_string(side) + " points\n";
    out += "Shape {\n  appearance Appearance {\n    material Material { diffuseColor 0.8 0.8 0.8 }\n";
    out += "    texture ImageTexture { url \"terrain_" + std::to_string(tile) + ".png\" }\n  }\n";
    out += "  geometry IndexedFaceSet {\n    solid FALSE\n    creaseAngle 1.2\n";
    out += "    coord Coordinate {\n      point [\n";
    for (int z = 0; z < side; ++z) {
        for (int x = 0; x < side; ++x) {
            // Gentle slopes plus a little noise, in ten-thousandths.
            const int64_t height = (x * 37 + z * 23) % 4000 + mix(x, z, tile) % 2500 - 3000;
            out += "        ";
            appendFixed(out, originX + x * 500, 3);
            out += ' ';
            appendFixed(out, height, 4);
            out += ' ';
            appendFixed(out, originZ + z * 500, 3);
            out += ",\n";
        }
    }
    out += "      ]\n    }\n    texCoord TextureCoordinate {\n      point [\n";
    for (int z = 0; z < side; ++z) {
        for (int x = 0; x < side; ++x) {
            out += "        ";
            appendFixed(out, x * 10000 / (side - 1), 4);
            out += ' ';
            appendFixed(out, z * 10000 / (side - 1), 4);
            out += ",\n";
        }
    }
    out += "      ]\n    }\n";
    for (const char* field : {"coordIndex", "texCoordIndex"}) {
        out += "    ";
        out += field;
        out += " [\n";
        for (int z = 0; z + 1 < side; ++z) {
            for (int x = 0; x + 1 < side; ++x) {
                const int a = z * side + x;
                out += "      " + std::to_string(a) + ", " + std::to_string(a + side) + ", " +
                       std::to_string(a + side + 1) + ", " + std::to_string(a + 1) + ", -1,\n";
            }
        }
        out += "    ]\n";
    }
    out += "  }\n}\n";
}

// The eight corners and six faces of a cube of edge 1 around the origin.
constexpr int kCorners[8][3] = {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1},   {-1, 1, 1},
                                {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}};
constexpr int kFaces[6][4] = {{0, 1, 2, 3}, {1, 5, 6, 2}, {5, 4, 7, 6}, {4, 0, 3, 7}, {3, 2, 6, 7}, {4, 5, 1, 0}};

// "Shape { ... }" of cube i, its inner lines indented by `indent` blanks more
// than a body's; the first line is not indented (it follows a field name).
void appendCubeShape(std::string& out, int i, const std::string& indent) {
    const uint32_t h = mix(static_cast<uint32_t>(i), 17, 3);
    out += "Shape {\n";
    out += indent + "  appearance Appearance {\n";
    out += indent + "    material Material {\n";
    out += indent + "      diffuseColor ";
    appendFixed(out, h % 1000, 3);
    out += ' ';
    appendFixed(out, (h >> 10) % 1000, 3);
    out += ' ';
    appendFixed(out, (h >> 20) % 1000, 3);
    out += '\n' + indent + "    }\n" + indent + "  }\n";
    out += indent + "  geometry IndexedFaceSet {\n";
    out += indent + "    coord Coordinate {\n";
    out += indent + "      point [\n";
    const int half = 250 + static_cast<int>(h % 500);  // half the edge, in thousandths
    for (const auto& corner : kCorners) {
        out += indent + "        ";
        for (int axis = 0; axis < 3; ++axis) {
            if (axis > 0) out += ' ';
            appendFixed(out, corner[axis] * half, 3);
        }
        out += ",\n";
    }
    out += indent + "      ]\n" + indent + "    }\n";
    out += indent + "    coordIndex [\n";
    for (const auto& face : kFaces) {
        out += indent + "      ";
        for (int corner : face) out += std::to_string(corner) + ", ";
        out += "-1,\n";
    }
    out += indent + "    ]\n" + indent + "  }\n" + indent + "}\n";
}

// Translation of cube i: a 3D lattice with some jitter, in thousandths.
void appendCubePosition(std::string& out, int i, int dy) {
    appendFixed(out, (i % 20) * 3000 + static_cast<int>(mix(i, 1, 0) % 500), 3);
    out += ' ';
    appendFixed(out, ((i / 20) % 10) * 3000 - 15000 + dy, 3);
    out += ' ';
    appendFixed(out, -(i / 200) * 3000 - static_cast<int>(mix(i, 2, 0) % 500), 3);
}

}  // namespace

std::string terrainWorld() {
    std::string out = "#VRML V2.0 utf8\n# Generated terrain: four tiles of a height field.\n";
    out += "Viewpoint { position 98 60 260 orientation 1 0 0 -0.35 description \"Overview\" }\n";
    out += "NavigationInfo { type \"WALK\" headlight TRUE }\n";
    for (int tile = 0; tile < kTerrainTiles; ++tile) appendTerrainTile(out, tile);
    return out;
}

std::string cubesWorld() {
    std::string out = "#VRML V2.0 utf8\n# Generated: 2000 cubes, each written out in full.\n";
    for (int i = 0; i < 2000; ++i) {
        if (i % 100 == 0) out += "# cubes " + std::to_string(i) + " to " + std::to_string(i + 99) + "\n";
        const uint32_t h = mix(static_cast<uint32_t>(i), 5, 9);
        out += "Transform {\n  translation ";
        appendCubePosition(out, i, 0);
        out += "\n  rotation 0 1 0 ";
        appendFixed(out, h % 6283, 3);
        out += "\n  children ";
        appendCubeShape(out, i, "  ");
        out += "}\n";
    }
    return out;
}

std::string boxesWorld() {
    std::string out = "#VRML V2.0 utf8\n# Generated: the 2000 cubes as Box nodes.\n";
    for (int i = 0; i < 2000; ++i) {
        const uint32_t h = mix(static_cast<uint32_t>(i), 5, 9);
        out += "Transform {\n  translation ";
        appendCubePosition(out, i, 0);
        out += "\n  rotation 0 1 0 ";
        appendFixed(out, h % 6283, 3);
        // The colour and the edge of cube i (appendCubeShape).
        const uint32_t c = mix(static_cast<uint32_t>(i), 17, 3);
        out += "\n  children Shape {\n    appearance Appearance { material Material { diffuseColor ";
        appendFixed(out, c % 1000, 3);
        out += ' ';
        appendFixed(out, (c >> 10) % 1000, 3);
        out += ' ';
        appendFixed(out, (c >> 20) % 1000, 3);
        out += " } }\n    geometry Box { size ";
        const int edge = 2 * (250 + static_cast<int>(c % 500));
        for (int axis = 0; axis < 3; ++axis) {
            if (axis > 0) out += ' ';
            appendFixed(out, edge, 3);
        }
        out += " }\n  }\n}\n";
    }
    return out;
}

std::string animatedCubesWorld() {
    std::string out = "#VRML V2.0 utf8\n# Generated: 500 cubes, each moved by its own clock.\n";
    for (int i = 0; i < 500; ++i) {
        const std::string n = std::to_string(i);
        out += "DEF Cube" + n + " Transform {\n  translation ";
        appendCubePosition(out, i, 0);
        out += "\n  children ";
        appendCubeShape(out, i, "  ");
        out += "}\n";
        out += "DEF Clock" + n + " TimeSensor {\n  cycleInterval ";
        appendFixed(out, 2000 + static_cast<int>(mix(i, 3, 0) % 3000), 3);
        out += "\n  loop TRUE\n}\n";
        out += "DEF Mover" + n + " PositionInterpolator {\n  key [ 0, 0.5, 1 ]\n  keyValue [\n    ";
        appendCubePosition(out, i, 0);
        out += ",\n    ";
        appendCubePosition(out, i, 1500);
        out += ",\n    ";
        appendCubePosition(out, i, 0);
        out += "\n  ]\n}\n";
        out += "ROUTE Clock" + n + ".fraction_changed TO Mover" + n + ".set_fraction\n";
        out += "ROUTE Mover" + n + ".value_changed TO Cube" + n + ".set_translation\n";
    }
    return out;
}
