#include "font_lookup.h"

#include <fontconfig/fontconfig.h>

bool findFontFile(const std::string& pattern, std::string& path, std::string& error) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        error = "fontconfig could not load its configuration";
        return false;
    }
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (!wanted) {
        FcConfigDestroy(config);
        error = "fontconfig cannot parse the font name \"" + pattern + "\"";
        return false;
    }
    FcConfigSubstitute(config, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, wanted, &result);
    FcChar8* file = nullptr;
    const bool found = match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (found) path = reinterpret_cast<const char*>(file);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(wanted);
    FcConfigDestroy(config);
    // Frees fontconfig's caches, so sanitizer builds see no leaks.
    FcFini();
    if (!found) error = "no font matches \"" + pattern + "\"; install one (for example fonts-dejavu-core)";
    return found;
}
