// The list settings a hand-edited config.ini hands the window: colour lists,
// font lists and the output folder history. The input is split at its NULs
// into the list, the current value and the history's size.

#include "batch/output_history.h"
#include "fuzz_support.h"
#include "settings/number_text.h"
#include "ui/preferences/colour_list.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
    pieces.resize(std::max<size_t>(pieces.size(), 3));
    const std::string& list = pieces[0];
    const std::string& current = pieces[1];

    for (const std::string& colour : ParseColourList(list)) {
        if (!IsColourText(colour) || NormaliseColour(colour) != colour)
            std::abort();
        (void)ColourDisplayText(colour);
    }
    const ColourListItems items = MakeColourListItems(list, current);
    if (items.selected >= items.colours.size())
        std::abort();
    std::string colours = list;
    (void)AppendColour(colours, current);
    (void)ParseFontList(list);
    std::string fonts = list;
    (void)AppendFont(fonts, current);

    Settings settings;
    ApplyDefaults(settings, false, {});
    settings.file.recentOutFolders = list;
    settings.advanced.outFoldersNumber = static_cast<uint8_t>(ReadInteger(pieces[2]));
    if (std::optional<OutFolderListing> shown = OutFoldersToShow(settings, current)) {
        if (shown->selected < 0 ||
            (static_cast<size_t>(shown->selected) >= shown->folders.size() && shown->selected != 0))
            std::abort();
    }
    AddOutFolderToHistory(settings, current);
    (void)OutFolderHistoryEntry(settings.file.recentOutFolders, 0);
    return 0;
}
