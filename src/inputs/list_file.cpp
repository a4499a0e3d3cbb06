#include "inputs/list_file.h"

#include "platform/utf8.h"

namespace dravik {

namespace {

constexpr size_t kChunk = 65536;

constexpr uint32_t kReplacement = 0xFFFD;

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

} // namespace

std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian, uint32_t& high) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto b0 = static_cast<uint8_t>(bytes[i]);
        auto b1 = static_cast<uint8_t>(bytes[i + 1]);
        uint32_t unit = bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (high != 0)
                AppendUtf8(out, kReplacement);
            high = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (high != 0)
                AppendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            else
                AppendUtf8(out, kReplacement);
            high = 0;
            continue;
        }
        if (high != 0) {
            AppendUtf8(out, kReplacement);
            high = 0;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

ListFileReader::ListFileReader(const std::string& path) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr)
        return;
    unsigned char mark[3] = {};
    size_t got = std::fread(mark, 1, 3, file_);
    if (got >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
        encoding_ = Encoding::Utf16Le;
        if (got == 3)
            carry_.assign(1, static_cast<char>(mark[2]));
    } else if (got >= 2 && mark[0] == 0xFE && mark[1] == 0xFF) {
        encoding_ = Encoding::Utf16Be;
        if (got == 3)
            carry_.assign(1, static_cast<char>(mark[2]));
    } else if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
        encoding_ = Encoding::Utf8;
    } else {
        buffer_.assign(reinterpret_cast<const char*>(mark), got);
    }
}

ListFileReader::~ListFileReader() {
    if (file_ != nullptr)
        std::fclose(file_);
}

bool ListFileReader::fill() {
    if (ended_ || file_ == nullptr)
        return false;
    std::string chunk(kChunk, '\0');
    size_t got = std::fread(chunk.data(), 1, chunk.size(), file_);
    chunk.resize(got);
    if (got == 0)
        ended_ = true;
    buffer_.erase(0, position_);
    position_ = 0;
    if (encoding_ == Encoding::Utf8) {
        buffer_ += chunk;
    } else {
        carry_ += chunk;
        size_t whole = carry_.size() & ~static_cast<size_t>(1);
        buffer_ += Utf16ToUtf8(carry_.substr(0, whole), encoding_ == Encoding::Utf16Be,
                               highSurrogate_);
        carry_.erase(0, whole);
    }
    return got != 0;
}

bool ListFileReader::nextUtf8Byte(char& c) {
    while (position_ >= buffer_.size()) {
        if (!fill() && position_ >= buffer_.size())
            return false;
    }
    c = buffer_[position_++];
    return true;
}

bool ListFileReader::nextLine(std::string& line) {
    line.clear();
    bool any = false;
    bool unusable = false;
    char c = 0;
    while (nextUtf8Byte(c)) {
        any = true;
        if (c == '\n')
            break;
        if (c == '\0')
            unusable = true;
        if (line.size() < kMaxLine)
            line += c;
        else
            unusable = true;
    }
    if (!any)
        return false;
    line = unusable ? std::string() : Trim(line);
    return true;
}

size_t CountListLines(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return 0;
    std::string chunk(kChunk, '\0');
    size_t lines = 0;
    char last = '\n';
    size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            if (chunk[i] == '\n')
                ++lines;
        }
        last = chunk[got - 1];
    }
    std::fclose(file);
    return last == '\n' ? lines : lines + 1;
}

} // namespace dravik
