#include "engine/signatures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace dravik {
namespace {

using namespace std::string_literals;

class SignatureFiles {
  public:
    SignatureFiles() {
        char pattern[] = "/tmp/dravik-sig-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            folder_ = pattern;
    }
    ~SignatureFiles() {
        for (const std::string& path : created_)
            unlink(path.c_str());
        rmdir(folder_.c_str());
    }
    SignatureFiles(const SignatureFiles&) = delete;
    SignatureFiles& operator=(const SignatureFiles&) = delete;

    std::string write(const std::string& bytes) {
        const std::string path = folder_ + "/f" + std::to_string(created_.size());
        std::ofstream(path, std::ios::binary) << bytes;
        created_.push_back(path);
        return path;
    }
    std::string fifo() {
        const std::string path = folder_ + "/fifo";
        if (mkfifo(path.c_str(), 0600) != 0)
            return {};
        created_.push_back(path);
        return path;
    }
    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
    std::vector<std::string> created_;
};

struct DetectCase {
    const char* label;
    std::string bytes;
    std::string expected;
};

class DetectFileTypeTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectFileTypeTest, NamesTheContent) {
    SignatureFiles files;
    EXPECT_EQ(DetectFileType(files.write(GetParam().bytes)), GetParam().expected);
}

const std::string kUnknown(kUnrecognizedType);
const std::string kPng = "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01"s;
const std::string kExe = "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0\xB8\0\0\0\0\0\0\0"s;

INSTANTIATE_TEST_SUITE_P(
    Contents, DetectFileTypeTest,
    ::testing::Values(
        DetectCase{"Empty", "", kUnknown}, DetectCase{"Gif89", "GIF89a\x01\0\x01\0"s, "GIF89A"},
        DetectCase{"Gif87", "GIF87a", "GIF87A"}, DetectCase{"GifPrefixOnly", "GIF8", kUnknown},
        // The JFIF row needs twelve bytes; four are not enough for any row.
        DetectCase{"JfifTooShort", "\xFF\xD8\xFF\xE0"s, kUnknown},
        DetectCase{"Jfif", "\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0"s, "JPEG/JFIF"},
        DetectCase{"Jpg", "\xFF\xD8\xFF\xDB"s, "JPG"},
        DetectCase{"Exif",
                   "\xFF\xD8\xFF\xE1\x12\x34"
                   "Exif\0\0"s,
                   "JPEG/EXIF"},
        DetectCase{"ExifMarkerWithoutTag",
                   "\xFF\xD8\xFF\xE1\x12\x34"
                   "Exit\0\0"s,
                   kUnknown},
        DetectCase{"Mp3Frame", "\xFF\xFB\x90\x64"s, "MP3"},
        // Rows far from the start of their group are reached as well.
        DetectCase{"Flv", "FLV\x01"s, "FLV"}, DetectCase{"Id3", "ID3\x04\0"s, "MP3/ID3V2"},
        DetectCase{"InstallShieldCab", "ISc(", "CAB (IS)"},
        DetectCase{"Exe", kExe, "EXE/DLL (MZ/PE/NE)"}, DetectCase{"Png", kPng, "PNG"},
        DetectCase{"PngDamagedAtByteSeven", "\x89PNG\r\n\x1A\x0D"s, kUnknown},
        DetectCase{"Pdf", "%PDF-1.7\n", "PDF"}, DetectCase{"PdfWithoutHyphen", "%PDF", kUnknown},
        DetectCase{"TiffLittleEndian", "II*\0\x08\0\0\0"s, "TIFF (LE)"},
        // A later matching row of the group replaces the earlier one.
        DetectCase{"CanonRaw", "II*\0\x10\0\0\0CR\x02\0"s, "CR2"},
        DetectCase{"TiffBigEndian", "MM\0*\0\0\0\x08"s, "TIFF (BE)"},
        DetectCase{"Rar4", "Rar!\x1A\x07\0\xCF"s, "RAR (1.5+)"},
        DetectCase{"Rar5", "Rar!\x1A\x07\x01\0"s, "RAR (5.0+)"},
        // The RIFF family is told apart by the form type at offset 8.
        DetectCase{"Wav", "RIFF\x24\x08\0\0WAVEfmt "s, "WAV"},
        DetectCase{"Avi", "RIFF\0\0\0\0AVI LIST"s, "AVI"},
        DetectCase{"WebP", "RIFF\0\0\0\0WEBPVP8 "s, "WEBP"},
        DetectCase{"AnimatedCursor", "RIFF\0\0\0\0ACON"s, "ANI"},
        DetectCase{"RiffOtherForm", "RIFF\0\0\0\0RMID"s, kUnknown},
        DetectCase{"RiffCutBeforeForm", "RIFF\0\0\0\0WAV"s, kUnknown},
        DetectCase{"Djvu",
                   "AT&TFORM\0\0\0\x10"
                   "DJVUINFO"s,
                   "DJVU"},
        DetectCase{"DjvuWithoutForm",
                   "AT&TFORM\0\0\0\x10"
                   "XXXXINFO"s,
                   kUnknown},
        DetectCase{"Sqlite", "SQLite format 3\0\x10\0\x01\x01"s, "SQLITE/DB"},
        DetectCase{"Asf", "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\0\xAA\0\x62\xCE\x6C"s,
                   "ASF/WMA/WMV"},
        DetectCase{"Ico", "\0\0\x01\0\x01\0"s, "ICO"}, DetectCase{"Mpeg", "\0\0\x01\xB3"s, "MPEG"},
        DetectCase{"Bmp", "BM\x36\0\x0C\0"s, "BMP"}, DetectCase{"Blend", "BLENDER-v279"s, "BLEND"},
        DetectCase{"Gzip", "\x1F\x8B\x08\0"s, "GZ"},
        DetectCase{"Xz",
                   "\xFD"
                   "7zXZ\0\0\x04"s,
                   "XZ"},
        DetectCase{"OfficeCompound", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"s, "DOC/XLS/PPT"},
        DetectCase{"MacintoshPict", std::string(512, '\0') + "\0\x2A\0\0\0\0"s, kUnknown},
        DetectCase{"PlainText", "hello world", kUnknown}),
    [](const ::testing::TestParamInfo<DetectCase>& info) { return info.param.label; });

TEST(SignatureTableTest, RowsFitTheBytesReadAndStartAtOffsetZero) {
    const std::span<const Signature> table = SignatureTable();
    EXPECT_EQ(table.size(), 79u);
    for (const Signature& row : table) {
        ASSERT_FALSE(row.tests[0].bytes.empty()) << row.name;
        EXPECT_EQ(row.tests[0].offset, 0) << row.name;
        for (const SignatureTest& test : row.tests)
            EXPECT_LE(test.offset + test.bytes.size(), kSignatureBytes) << row.name;
    }
}

// Each row, written out on its own, must be found, or else be outranked by a
// later row of its group that its bytes satisfy too; a row the lookup never
// reaches fails here.
TEST(SignatureTableTest, EveryRowIsReachable) {
    SignatureFiles files;
    const std::span<const Signature> table = SignatureTable();
    for (size_t i = 0; i < table.size(); ++i) {
        std::string bytes;
        for (const SignatureTest& test : table[i].tests) {
            if (bytes.size() < test.offset + test.bytes.size())
                bytes.resize(test.offset + test.bytes.size(), '\0');
            bytes.replace(test.offset, test.bytes.size(), test.bytes);
        }
        const std::string found = DetectFileType(files.write(bytes));
        bool expected = found == table[i].name;
        for (size_t later = i + 1; !expected && later < table.size(); ++later)
            expected = found == table[later].name;
        EXPECT_TRUE(expected) << table[i].name << " detected as " << found;
    }
}

TEST(SignatureFileTest, ReadsOnlyTheStartOfLargeFiles) {
    SignatureFiles files;
    EXPECT_EQ(DetectFileType(files.write(kPng + std::string(1 << 20, 'x'))), "PNG");
}

TEST(SignatureFileTest, UnreadableThingsAreUnrecognised) {
    SignatureFiles files;
    EXPECT_EQ(DetectFileType(files.folder() + "/missing.pic"), kUnknown);
    EXPECT_EQ(DetectFileType(""), kUnknown);
    EXPECT_EQ(DetectFileType(files.folder()), kUnknown);
    // A FIFO without writer would block a plain open or read forever.
    const std::string fifo = files.fifo();
    ASSERT_FALSE(fifo.empty());
    EXPECT_EQ(DetectFileType(fifo), kUnknown);
}

} // namespace
} // namespace dravik
