#include "pict/comments.h"

namespace dravik::pict {

std::string CommentName(int kind) {
    switch (kind) {
    case kPolyBegin:
        return "PolyBegin";
    case kPolyEnd:
        return "PolyEnd";
    case kPolyIgnore:
        return "PolyIgnore";
    case kPolySmooth:
        return "PolySmooth";
    case kPolyClose:
        return "PolyClose";
    case kSetLineWidth:
        return "SetLineWidth";
    case kPostScriptBegin:
        return "PostScriptBegin";
    case kPostScriptEnd:
        return "PostScriptEnd";
    case kPostScriptHandle:
        return "PostScriptHandle";
    case kPostScriptFile:
        return "PostScriptFile";
    case kTextIsPostScript:
        return "TextIsPostScript";
    case kResourcePS:
        return "ResourcePS";
    case kPSBeginNoSave:
        return "PSBeginNoSave";
    default:
        return {};
    }
}

} // namespace dravik::pict
