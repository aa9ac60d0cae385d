// The names of the files a world refers to: base folders, references seen
// from them, and the folding that makes two spellings of one file equal.
#include <gtest/gtest.h>

#include <string>

#include "base/world_names.h"

namespace {

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(WorldNames, BaseFoldersReferencesAndFolding) {
    struct Base {
        std::u16string name, folder;
    };
    const Base bases[] = {
        {u"world.wrl", u""},
        {u"dir/world.wrl", u"dir/"},
        {u"/abs/dir/world.wrl", u"/abs/dir/"},
        {u"http://host/a/b.wrl", u"http://host/a/"},
        {u"https://host", u"https://host/"},
        {u"dir/", u"dir/"},
    };
    for (const Base& b : bases) EXPECT_EQ(baseDirectoryOf(b.name), b.folder) << narrow(b.name);

    struct Reference {
        std::u16string base, reference, name;
    };
    const Reference references[] = {
        {u"", u"a.wrl", u"a.wrl"},
        {u"dir/", u"sub/a.wrl", u"dir/sub/a.wrl"},
        {u"dir/", u"/abs/a.wrl", u"/abs/a.wrl"},
        {u"dir/", u"http://h/x.wrl", u"http://h/x.wrl"},
        {u"dir/", u"https://h/x.wrl", u"https://h/x.wrl"},
        // An absolute path on the world's own host.
        {u"http://h/a/b/", u"/c.wrl", u"http://h/c.wrl"},
        {u"http://h/a/", u"c.wrl", u"http://h/a/c.wrl"},
        // Only the lower-case schemes are URLs, as the stream layer has it.
        {u"dir/", u"HTTP://h/x.wrl", u"dir/HTTP://h/x.wrl"},
    };
    for (const Reference& r : references)
        EXPECT_EQ(resolveReference(r.base, r.reference), r.name) << narrow(r.base + u" + " + r.reference);

    struct Fold {
        std::u16string name, folded;
    };
    const Fold folds[] = {
        {u"a/./b.wrl", u"a/b.wrl"},
        {u"a/c/../b.wrl", u"a/b.wrl"},
        {u"a//b.wrl", u"a/b.wrl"},
        {u"./a.wrl", u"a.wrl"},
        {u"../x/../a.wrl", u"../a.wrl"},
        {u"../../a.wrl", u"../../a.wrl"},
        {u"/../a.wrl", u"/a.wrl"},
        {u"/r/./s/../t/", u"/r/t/"},
        {u"http://h/a/../b.wrl", u"http://h/b.wrl"},
        {u"http://h/../../b.wrl", u"http://h/b.wrl"},
        {u"http://h", u"http://h"},
        {u"plain.wrl", u"plain.wrl"},
        {u"", u""},
    };
    for (const Fold& f : folds) EXPECT_EQ(normalizeName(f.name), f.folded) << narrow(f.name);
}

}  // namespace
