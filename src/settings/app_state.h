// The non-persisted run-time state of the process: the work in hand, the
// command-line fields and the per-file conversion fields.
#pragma once

#include <cstdint>
#include <string>

namespace dravik {

inline constexpr const char* kUntitledProfile = "Untitled";

struct AppState {
    std::string programFolder; // ends in "/"
    std::string profileName = kUntitledProfile;
    std::string currentOutputFolder;
    std::string importFolder; // base folder of the folder import in hand

    // Command-line fields.
    std::string inputPath;
    std::string inputFile;
    std::string cliOutputFolder;
    std::string conversionExtension;
    std::string inputFormat;
    uint8_t inputGiven = 0;
    std::string runModeTag; // "", "T" or "DEBUG"

    // Conversion fields, fixed per batch or per file.
    std::string currentInput;
    std::string currentSubfolder;
    std::string currentOutput;
    std::string outputFolder;
    int32_t randomNumber = 1;
    int32_t fileCounter = 1;
    int32_t inputBitDepth = 0;
    int32_t outputFif = -1;
    std::string outputExtension;
    int32_t outputBitDepth = 0;
    int32_t saveFlags = 0;
    int32_t autoBitDepth = 0;
    int32_t resultWidth = 0;
    int32_t resultHeight = 0;
    int32_t frameNumber = 0;

    // Window mode.
    int32_t preferencesSection = 0;
    int32_t interfaceRefresh = 0;
    // The cleaned extensions of the last converter search.
    std::string searchFrom;
    std::string searchTo;
};

} // namespace dravik
