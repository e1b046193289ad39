// Folder listing, path building and the List container.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "FileUtil.h"
#include "List.h"
#include "TestEnv.h"

namespace {

void touch(const std::string& path) { std::ofstream(path) << "x"; }

// Counts its destructions; deleted through the base class's virtual destructor.
struct Base {
    virtual ~Base() = default;
};
struct Counted : Base {
    explicit Counted(int* count) : count(count) {}
    ~Counted() override { ++*count; }
    int* count;
};

}  // namespace

TEST(FileUtil, ScanDirListsPlainFilesIgnoringCase) {
    const std::string dir = TestEnv::makeDir("scan");
    touch(dir + "/b.log");
    touch(dir + "/A.log");
    touch(dir + "/.hidden");
    mkdir((dir + "/sub").c_str(), 0700);
    touch(dir + "/sub/inner.log");
    List<char*> names = FileUtil::scanDir(dir.c_str());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_STREQ(names[0], "A.log");
    EXPECT_STREQ(names[1], "b.log");
    names.freeAllAndReset();
    EXPECT_TRUE(names.empty());

    EXPECT_TRUE(FileUtil::scanDir((dir + "/missing").c_str()).empty());
}

TEST(FileUtil, FullPaths) {
    const std::string dir = TestEnv::makeDir("paths");
    char* file = FileUtil::generateFullFilePath(dir.c_str(), "x.log");
    EXPECT_EQ(std::string(file), dir + "/x.log");
    free(file);
    char* absolute = FileUtil::generateFullDirPath(dir.c_str(), "/etc");
    EXPECT_STREQ(absolute, "/etc");
    free(absolute);
    char* utf8 = FileUtil::generateFullDirPath(dir.c_str(), "d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(std::string(utf8), dir + "/d\xC3\xA9j\xC3\xA0");
    free(utf8);
}

TEST(List, DeletesOwnedObjectsOnlyWhenAsked) {
    int deleted = 0;
    {
        List<Base*> list;
        list.append(new Counted(&deleted));
        list.append(nullptr);
        list.append(new Counted(&deleted));
        EXPECT_EQ(list.size(), 3u);
        list.deleteAllObjsAndReset();
        EXPECT_EQ(deleted, 2);
        EXPECT_TRUE(list.empty());
    }
    Counted kept(&deleted);
    {
        List<Base*> borrowed;
        borrowed.append(&kept);
    }
    EXPECT_EQ(deleted, 2);
}

TEST(List, IndexingIsRangeChecked) {
    List<int> values;
    values.append(1);
    values.append(2);
    values.erase(values.begin());
    EXPECT_EQ(values[0], 2);
    EXPECT_THROW(values[1], std::out_of_range);
    int sum = 0;
    for (int v : values) sum += v;
    EXPECT_EQ(sum, 2);
}
