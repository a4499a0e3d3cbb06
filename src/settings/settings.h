// dravik_settings: the settings record, its schema and defaults, ini files, config.ini, option
// tokens. Depends on nothing else of ours, and never on Qt. Here: the one record of every option
// config.ini keeps, grouped as it groups them, fields in the order the schema walks; the schema
// (settings_schema.h), not this struct, knows the keys, types and defaults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dravik {

// The two fixed one-entry lists that decide what a running program offers.
const std::vector<std::string>& PrimaryInputFormats();
const std::vector<std::string>& PrimaryOutputFormats();

struct Settings {
    struct General {
        int32_t cfg = 0;
        std::string language;
        int32_t updateRange = 0;
        int32_t updateDate = 0;
        uint8_t saveWindowPosition = 0;
    } general;

    struct Window {
        uint8_t isMaximized = 0;
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
    } window;

    struct Interface {
        std::string uiTheme;
        int32_t uiSize = 0;
    } interface;

    struct Input {
        std::string format;
        int32_t ddsLoadAs = 0;
        int32_t gifFrameLoading = 0;
        int32_t icoFrameLoading = 0;
        int32_t tiffFrameLoading = 0;
        int32_t psdColorMode = 0;
        int32_t rawLoadAs = 0;
        int32_t rawHeaderSize = 0;
        int32_t rawImageWidth = 0;
        int32_t rawImageHeight = 0;
        int32_t rawToneMapping = 0;
    } input;

    struct Output {
        std::string format;
        int32_t bmpBpp = 0;
        int32_t bmpCompression = 0;
        int32_t bmpColorTable = 0;
        int32_t ddsBpp = 0;
        int32_t exrBpp = 0;
        int32_t exrCompression = 0;
        int32_t gifBpp = 0;
        int32_t hdrBpp = 0;
        int32_t icoBpp = 0;
        int32_t j2kBpp = 0;
        int32_t jngBpp = 0;
        int32_t jp2Bpp = 0;
        int32_t jpgBpp = 0;
        int32_t jpgQuality = 0;
        int32_t jpgChroma = 0;
        int32_t jpgSaveAs = 0;
        int32_t jxrBpp = 0;
        int32_t pbmBpp = 0;
        int32_t pcxBpp = 0;
        int32_t pfmBpp = 0;
        int32_t pgmBpp = 0;
        int32_t pngBpp = 0;
        int32_t pngCompression = 0;
        uint8_t pngInterlaced = 0;
        int32_t ppmBpp = 0;
        int32_t psdBpp = 0;
        int32_t tgaBpp = 0;
        int32_t tgaCompression = 0;
        int32_t tiffBpp = 0;
        int32_t tiffCompression = 0;
        int32_t tiffColorMode = 0;
        int32_t wbmpBpp = 0;
        int32_t webpBpp = 0;
        int32_t webpQuality = 0;
        int32_t xpmBpp = 0;
    } output;

    struct Transform {
        uint8_t doImageRotation = 0;
        uint8_t imageRotationType = 0;
        int32_t imageRotation = 0;
        std::string imageRotationBackColor;
        uint8_t doImageResize = 0;
        int32_t imageWidth = 0;
        uint8_t imageWidthUnit = 0;
        int32_t imageHeight = 0;
        uint8_t imageHeightUnit = 0;
        uint8_t keepAspectRatio = 0;
        uint8_t imageResizeType = 0;
        uint8_t imageResizeAlgorithm = 0;
        uint8_t doImageFlipHorizontal = 0;
        uint8_t doImageFlipVertical = 0;
    } transform;

    struct Adjustment {
        uint8_t doImageColorCorrection = 0;
        int32_t imageBrightness = 0;
        int32_t imageContrast = 0;
        float imageGamma = 1.0f;
        uint8_t imageInvert = 0;
        uint8_t doImageGreyscale = 0;
        uint8_t doImageThreshold = 0;
        int32_t imageThreshold = 0;
        uint8_t doImageDither = 0;
        uint8_t imageDitherAlgorithm = 0;
    } adjustment;

    struct Frame {
        uint8_t doFrame = 0;
        int32_t solidLeft = 0;
        int32_t solidRight = 0;
        int32_t solidTop = 0;
        int32_t solidBottom = 0;
        std::string solidLeftColor;
        std::string solidRightColor;
        std::string solidTopColor;
        std::string solidBottomColor;
        int32_t solidOpacity = 0;
    } frame;

    struct Watermark {
        uint8_t doWatermark = 0;
        std::string text;
        std::string fonts;
        std::string font;
        int32_t fontSize = 0;
        int32_t fontLeading = 0;
        std::string fontColors;
        std::string fontColor;
        uint8_t fontStyle = 0;
        uint8_t fontEffect = 0;
        uint8_t textAntialiasing = 0;
        uint8_t textAlignment = 0;
        int32_t textPadding = 0;
        int32_t textOpacity = 0;
        std::string backColors;
        std::string backColor;
        int32_t backOpacity = 0;
        uint8_t textBoundary = 0;
        uint8_t textPosition = 0;
        int32_t textXOffset = 0;
        int32_t textYOffset = 0;
        int32_t textRotation = 0;
        uint8_t textSize = 0;
        int32_t textScale = 0;
        std::string image;
        uint8_t imageGreyscale = 0;
        int32_t imageOpacity = 0;
        uint8_t imageBoundary = 0;
        uint8_t imagePosition = 0;
        int32_t imageXOffset = 0;
        int32_t imageYOffset = 0;
        int32_t imageRotation = 0;
        uint8_t imageSize = 0;
        int32_t imageScale = 0;
    } watermark;

    struct Advanced {
        std::string filenameMask;
        uint8_t fileTimestamp = 0;
        int32_t customTimestamp = 0;
        uint8_t outFoldersHistory = 0;
        uint8_t outFoldersNumber = 0;
        uint8_t keepSubfolders = 0;
    } advanced;

    struct File {
        std::string recentOutFolders;
    } file;

    // Full path of config.ini; never persisted, left alone by ApplyDefaults.
    std::string configPath;
};

// What ApplyDefaults needs from the outside world, passed in so that tests
// can fix it.
struct DefaultsContext {
    int desktopWidth = 0;
    int desktopHeight = 0;
    int32_t now = 0; // local wall-clock seconds since 1970
};

// Puts every persisted field into its default state. Only
// Transform/Keep Aspect Ratio depends on the mode: 0 on the command line,
// 1 in the window.
void ApplyDefaults(Settings& settings, bool commandLineMode, const DefaultsContext& context);

} // namespace dravik
