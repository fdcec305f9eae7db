#include "ZipBuilder.h"

#include <zip.h>

#include <stdexcept>

ZipBuilder& ZipBuilder::File(const std::string& name, const std::string& bytes, uint32_t mode) {
    entries_.push_back({name, bytes, mode, true});
    return *this;
}

ZipBuilder& ZipBuilder::Folder(const std::string& name) {
    entries_.push_back({name, "", 040755, false});
    return *this;
}

ZipBuilder& ZipBuilder::Symlink(const std::string& name, const std::string& target) {
    entries_.push_back({name, target, 0120777, false});
    return *this;
}

ZipBuilder& ZipBuilder::Stored(const std::string& name, const std::string& bytes) {
    entries_.push_back({name, bytes, 0100644, false});
    return *this;
}

void ZipBuilder::Write(const std::string& archive) const {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) {
        throw std::runtime_error("cannot create " + archive);
    }
    for (const Entry& entry : entries_) {
        zip_int64_t index = -1;
        if (!entry.name.empty() && entry.name.back() == '/') {
            index = zip_dir_add(zip, entry.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* source =
                zip_source_buffer(zip, entry.bytes.data(), entry.bytes.size(), 0);
            index = zip_file_add(zip, entry.name.c_str(), source, ZIP_FL_ENC_RAW);
            if (index < 0) {
                zip_source_free(source);
            }
        }
        if (index < 0) {
            zip_discard(zip);
            throw std::runtime_error("cannot add " + entry.name);
        }
        auto at = static_cast<zip_uint64_t>(index);
        zip_set_file_compression(zip, at, entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        if (entry.unixMode != 0) {
            zip_file_set_external_attributes(zip, at, 0, ZIP_OPSYS_UNIX, entry.unixMode << 16);
        } else {
            zip_file_set_external_attributes(zip, at, 0, ZIP_OPSYS_DOS, 0x20);
        }
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        throw std::runtime_error("cannot write " + archive);
    }
}
