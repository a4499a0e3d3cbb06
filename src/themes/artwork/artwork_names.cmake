# The pictures the program asks for by name, shared by the build's checks. The window's slot
# table uses the same names; a picture with any other name would be silently ignored there, so
# the checks refuse it here instead.

set(DRAVIK_ICON_NAMES
  New Add InFiles InFolder OutFolder OutFormat FavFolder ImportFiles ExportFiles Exit Copy
  Delete SelectAll Convert Error Preferences CustomConverter Help Email Web Updates About)

# name:width:height
set(DRAVIK_BUTTON_SIZES Convert:64:64 InFiles:48:48 InFolder:48:48)
set(DRAVIK_BANNER_SIZE 360:40)

# A theme's icons come at every toolbar size; its buttons carry the suffix 16 whatever their size.
set(DRAVIK_THEME_ICON_SIZES 16 24 32 48 64)
