#include "app/console_texts.h"

#include "inputs/session.h"
#include "settings/settings.h"
#include "texts/language_table.h"

namespace dravik {
namespace {

// "%s2%" marks where an input extension goes on lines 4 to 6 and the first
// output extension on line 9.
const char* const kUsage[] = {
    " ",
    "Usage: %s1% -i <filename> [options]",
    " ",
    "  %s1% -i example.%s2%",
    "  %s1% -i /tmp/example.%s2%",
    "  %s1% -i /tmp/example.%s2% -o /converted",
    "  %s1% -i /tmp/filelist.txt",
    "  %s1% -i /tmp/ -o /converted --jpg-quality=95",
    "  %s1% -i /tmp/ -o /converted -c %s2% --jpg-quality=95",
    " ",
    "Options:",
    " ",
    "  -h, -?, --help            Display this help and exit",
    "  -i FILE, --input=FILE     Set input file/list/folder",
    "  -o PATH, --output=PATH    Set output folder",
    "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
    " ",
    "Advanced options:",
    " ",
    "  --width=NUM               Set output image width",
    "  --height=NUM              Set output image height",
    "  --filename-mask=STR       Define output filename format",
    "  --flip-horizontal         Flip output image horizontally",
    "  --flip-vertical           Flip output image vertically",
    "  --brightness=NUM          Set output image brightness, NUM = -100..100",
    "  --contrast=NUM            Set output image contrast, NUM = -100..100",
    "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
    "  --invert                  Invert output image",
    "  --greyscale               Greyscale output image",
    "  --profile=FILE            Set configuration file with required settings",
    "    ...                     Refer documentation for all available options",
    " ",
    "Other options:",
    " ",
    "  -q, --quiet               Don't print status messages to stdout",
    "  -d, --debug               Print debug information to stdout",
    "  -p, --pause               Pause at exit",
    "  -v, --version             Display version information and exit",
};

std::string RandomInputFormat() {
    const std::vector<std::string>& formats = PrimaryInputFormats();
    return formats[static_cast<size_t>(NewRandomNumber()) % formats.size()];
}

} // namespace

std::vector<std::string> UsageLines(const std::string& programName) {
    std::vector<std::string> lines;
    int number = 0;
    for (const char* line : kUsage) {
        ++number;
        std::string s2;
        if (number >= 4 && number <= 6)
            s2 = RandomInputFormat();
        else if (number == 9)
            s2 = PrimaryOutputFormats().front();
        lines.push_back(SubstituteArgs(line, programName, s2));
    }
    return lines;
}

} // namespace dravik
