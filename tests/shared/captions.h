// The command captions each printer product language must give, for the native and Wine tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvan::testing {

using Captions = std::pair<std::string, std::string>;  // Start, Config

inline const Captions kGermanCaptions{"PDF mit Orvan pdf &vatner erstellen",
                                      "Orvan pdf vatner &konfigurieren"};
inline const Captions kEnglishCaptions{"Generate PDF with Orvan pdf &vatner",
                                       "&Configure Orvan pdf vatner"};
inline const Captions kFrenchCaptions{"Générer PDF avec Orvan pdf &vatner",
                                      "&Configurer Orvan pdf vatner"};

// "LanguageID" values with the captions they select.
inline const std::vector<std::pair<std::string, Captions>> kCaptionsByLanguageId = {
    {"1031", kGermanCaptions}, {"2055", kGermanCaptions},  {"3084", kFrenchCaptions},
    {"1036", kFrenchCaptions}, {"1043", kEnglishCaptions}, {"0", kEnglishCaptions},
    {"-1", kEnglishCaptions},  {"1033", kEnglishCaptions}};

}  // namespace orvan::testing
