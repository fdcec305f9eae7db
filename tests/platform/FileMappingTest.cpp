#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "FileMapping.h"

using namespace platform;

namespace {

// A shared memory object of the test's own, removed afterwards.
class SharedMemory {
public:
    SharedMemory(const std::string& name, off_t size) : name_("/" + name) {
        const int fd = shm_open(name_.c_str(), O_CREAT | O_RDWR, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(ftruncate(fd, size), 0);
        close(fd);
    }
    ~SharedMemory() { shm_unlink(name_.c_str()); }

private:
    std::string name_;
};

std::string UniqueName() {
    return "velpay_test_" + std::to_string(getpid());
}

}  // namespace

TEST(FileMapping, OpensAndMapsAnObjectThatExists) {
    const std::string name = UniqueName();
    EXPECT_FALSE(OpenFileMapping(name)) << "nothing of that name yet";

    SharedMemory memory(name, 4096);
    FileMapping handle = OpenFileMapping(name);
    ASSERT_TRUE(handle);
    MappedView view = MapViewOfFile(handle);
    ASSERT_TRUE(view);
    EXPECT_EQ(view.Size(), 4096u);

    MappedView moved = std::move(view);
    EXPECT_FALSE(view);
    EXPECT_TRUE(moved);
}

TEST(FileMapping, AnEmptyObjectOrABadNameMapsNothing) {
    const std::string name = UniqueName() + "_empty";
    SharedMemory memory(name, 0);
    FileMapping handle = OpenFileMapping(name);
    ASSERT_TRUE(handle);
    EXPECT_FALSE(MapViewOfFile(handle));

    EXPECT_FALSE(MapViewOfFile(FileMapping()));
    EXPECT_FALSE(OpenFileMapping(""));
    EXPECT_FALSE(OpenFileMapping("../" + name));
}
