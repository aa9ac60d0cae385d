// Inline loading: the worlds of other files placed under the Inline nodes of
// a world read with the full profile.
//
// Each Inline is read once, after the world that holds it: the first entry of
// its "url" that opens (relative to the folder of the file holding the Inline,
// or an http:// or https:// URL as given) is read by a reader of its own, the
// same reading rules and factory, so it has its own DEF names and its ROUTEs
// connect inside it; its top-level nodes become the Inline's children. The
// Inlines of an inlined file are read in turn, depth first in reading order.
//
// Three refusals keep a hostile world finite, each one line in the log and an
// Inline left empty:
//   - an Inline that names a file of its own chain (itself, or a file that
//     inlines it), directly or through others;
//   - a file more than kMaxInlineDepth files below the world;
//   - any file past the kMaxInlineFiles-th of the world (said once).
// An Inline none of whose entries opens is logged as a file not found and
// stays empty; a local name that is not a regular file (a device, a pipe, a
// folder) counts as not found, as it could hold the reader for ever.
#pragma once

#include <cstdint>
#include <string>

#include "vrml/parser.h"

// How deep inlined files may nest below the world (the world itself is at
// depth 0). Real worlds nest two or three levels; sixteen leaves room for any
// sensible layout while a chain of distinct files cannot run on.
constexpr int32_t kMaxInlineDepth = 16;
// How many files one world may inline in all, counting every level. A file
// that inlines another one ten times at each of sixteen levels would ask for
// 10^16 reads; this caps the work at a few hundred files.
constexpr int32_t kMaxInlineFiles = 256;

// Reads the Inlines among the nodes nodeRegistry[firstNode .. endNode) (the
// nodes the reader made for the world named worldName) as described above.
// Messages go through the reader's funnel, and the helpers' routes, messages
// and refused types are added to the reader's. Inlines already tried are
// left alone. Does not throw.
void loadInlines(VrmlParser& reader, const std::u16string& worldName, int32_t firstNode, int32_t endNode);
