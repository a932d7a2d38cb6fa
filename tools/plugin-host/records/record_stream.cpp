#include "tools/plugin-host/records/record_stream.h"

#include <stdexcept>
#include <streambuf>

#include <sys/stat.h>

namespace plugin_host {

bool RecordStream::next(StoredRecord& record)
{
    if (!error_.empty() || left_over_ != 0) {
        return false;
    }
    const std::size_t filled = hex_ ? fill_hex(record) : fill_binary(record);
    bytes_read_ += filled;
    if (error_.empty() && in_.bad()) {
        error_ = "read error";
    }
    if (!error_.empty()) {
        return false;
    }
    if (filled != record.size()) {
        left_over_ = filled;
        return false;
    }
    return true;
}

bool RecordStream::at(std::size_t index, StoredRecord& record)
{
    const std::size_t offset = index * record.size();
    if (offset != bytes_read_) {
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        bytes_read_ = offset;
        left_over_ = 0;
    }
    return next(record);
}

std::size_t RecordStream::fill_binary(StoredRecord& record)
{
    in_.read(reinterpret_cast<char*>(record.data()), static_cast<std::streamsize>(record.size()));
    return static_cast<std::size_t>(in_.gcount());
}

std::size_t RecordStream::fill_hex(StoredRecord& record)
{
    std::streambuf& text = *in_.rdbuf();
    std::size_t filled = 0;
    while (filled < record.size()) {
        const auto c = text.sbumpc();
        if (c == std::streambuf::traits_type::eof()) {
            if (!hex_reader_.finish()) {
                error_ = hex_reader_.error();
                not_hex_ = true;
            }
            break;
        }
        const HexReader::Step step = hex_reader_.push(std::streambuf::traits_type::to_char_type(c));
        if (step == HexReader::Step::bad) {
            error_ = hex_reader_.error();
            not_hex_ = true;
            break;
        }
        if (step == HexReader::Step::byte) {
            record[filled++] = hex_reader_.byte();
        }
    }
    return filled;
}

std::ifstream open_record_file(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw std::invalid_argument(path + ": is a directory, not a file of records");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::invalid_argument("cannot read " + path);
    }
    return file;
}

}  // namespace plugin_host
