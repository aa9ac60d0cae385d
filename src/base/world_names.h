// Names of worlds and of the files they refer to: file paths (separator "/")
// and http:// or https:// URLs. Pure text work; nothing here touches the file
// system or the network.
#pragma once

#include <cstddef>
#include <string>

// The length of the scheme the name begins with ("http://" or "https://",
// case-sensitive), or 0 when it names no URL.
std::size_t urlSchemeLength(const std::u16string& name);

// The folder a name's relative references are read from: the name up to and
// including its last "/" (empty when it has none). A URL that names only its
// host ("http://host") gets "/" added, so that its folder is the host's root.
std::u16string baseDirectoryOf(const std::u16string& name);

// The name a reference stands for, seen from the folder baseDirectory: a URL
// as given; an absolute path on the world's own host when the world came from
// a URL, else the path itself; anything else appended to baseDirectory.
std::u16string resolveReference(const std::u16string& baseDirectory, const std::u16string& reference);

// The name with its "." segments and empty segments (doubled "/") dropped and
// each ".." taken back with the segment before it; ".." segments that have
// nothing before them are kept for a relative path and dropped at the root.
// A URL keeps its scheme and host and is folded in its path only. The same
// file written two ways ("a/./b.wrl", "a/c/../b.wrl") gives the same name.
std::u16string normalizeName(const std::u16string& name);
