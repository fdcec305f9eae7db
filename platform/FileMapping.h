#pragma once

#include <cstddef>
#include <string>

namespace platform {

// A named shared-memory object opened for reading and writing: the stand-in for a handle from
// OpenFileMappingA. Closed when it goes out of scope.
class FileMapping {
public:
    FileMapping() = default;
    ~FileMapping();
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;

    explicit operator bool() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Close();

private:
    friend FileMapping OpenFileMapping(const std::string& name);
    explicit FileMapping(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// All of a mapping, mapped for reading and writing: the stand-in for MapViewOfFile. Unmapped when
// it goes out of scope.
class MappedView {
public:
    MappedView() = default;
    ~MappedView();
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;

    explicit operator bool() const { return data_ != nullptr; }
    size_t Size() const { return size_; }

private:
    friend MappedView MapViewOfFile(const FileMapping& mapping);
    MappedView(void* data, size_t size) : data_(data), size_(size) {}
    void Release();
    void* data_ = nullptr;
    size_t size_ = 0;
};

// Opens the shared-memory object of that name ("/" + name) for writing; an empty handle when it
// does not exist or may not be written. Silent: nothing is shown, logged or raised.
FileMapping OpenFileMapping(const std::string& name);

// Maps the whole object; an empty view when the handle is empty, the object holds no bytes or
// the mapping fails. Silent like OpenFileMapping.
MappedView MapViewOfFile(const FileMapping& mapping);

}  // namespace platform
