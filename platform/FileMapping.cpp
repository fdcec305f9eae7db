#include "FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace platform {

FileMapping::~FileMapping() {
    Close();
}

FileMapping::FileMapping(FileMapping&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void FileMapping::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

MappedView::~MappedView() {
    Release();
}

MappedView::MappedView(MappedView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void MappedView::Release() {
    if (data_) {
        ::munmap(data_, size_);
        data_ = nullptr;
        size_ = 0;
    }
}

FileMapping OpenFileMapping(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return FileMapping();
    }
    const int fd = ::shm_open(("/" + name).c_str(), O_RDWR | O_CLOEXEC, 0);
    return fd >= 0 ? FileMapping(fd) : FileMapping();
}

MappedView MapViewOfFile(const FileMapping& mapping) {
    if (!mapping) {
        return MappedView();
    }
    struct stat st {};
    if (::fstat(mapping.Fd(), &st) != 0 || st.st_size <= 0) {
        return MappedView();
    }
    const size_t size = static_cast<size_t>(st.st_size);
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, mapping.Fd(), 0);
    return data == MAP_FAILED ? MappedView() : MappedView(data, size);
}

}  // namespace platform
