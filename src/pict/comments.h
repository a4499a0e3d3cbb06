// Picture comments: notes a program left in its picture for printer
// drivers. QuickDraw passes every one of them over when it draws a picture
// on screen, so the opcodes between them are the picture as a Macintosh
// showed it:
// - PolyBegin ... PolyEnd wrap a polygon that a PostScript printer may
//   smooth (PolySmooth) or close (PolyClose); the lines recorded are
//   QuickDraw's own rendition, and the control points meant only for the
//   printer are drawn with an empty clip or a pen of size 0, which hides
//   them on screen without any help. PolyIgnore tells a PostScript printer
//   to skip the QuickDraw rendition that follows: the screen draws it.
// - SetLineWidth scales the line width for PostScript's setlinewidth; the
//   screen keeps drawing with the pen size (programs set both).
// - PostScriptBegin ... PostScriptEnd wrap code sent to the printer in
//   PostScriptHandle comments, whose data the walk steps over; the
//   QuickDraw drawing around it is the equivalent for other devices.
// The one exception is text that TextIsPostScript marks as PostScript code:
// drawing it would put program text over the picture, so it is left out.
#pragma once

#include <string>

namespace dravik::pict {

enum CommentKind {
    kPolyBegin = 160,
    kPolyEnd = 161,
    kPolyIgnore = 163,
    kPolySmooth = 164,
    kPolyClose = 165,
    kSetLineWidth = 182,
    kPostScriptBegin = 190,
    kPostScriptEnd = 191,
    kPostScriptHandle = 192,
    kPostScriptFile = 193,
    kTextIsPostScript = 194,
    kResourcePS = 195,
    kPSBeginNoSave = 196,
};

// The comment's name for tools ("PolyBegin"), empty for kinds not named here.
std::string CommentName(int kind);

// Follows TextIsPostScript: from it to the next PostScriptEnd the text
// opcodes carry PostScript code, not text to draw.
class PostScriptText {
  public:
    void see(int kind) {
        if (kind == kTextIsPostScript)
            active_ = true;
        else if (kind == kPostScriptEnd)
            active_ = false;
    }
    bool active() const { return active_; }

  private:
    bool active_ = false;
};

} // namespace dravik::pict
