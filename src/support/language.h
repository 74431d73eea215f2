// The language of the command captions: asked once of the PDF printer product (job property
// "LanguageID"), then captions come from the add-in's string table by number.
#pragma once

#include <cstdint>
#include <string>

namespace orvan {

// This thread's state: 0 until determined, then 1 German, 2 English, 3 French; offset = index
// times 1000, the first string number of the language.
std::int32_t LanguageIndex();
std::int32_t LanguageOffset();

// The caption with number LanguageOffset + number, after determining the language. Errors of
// the determination or a missing string reach the caller.
std::string LoadLanguageString(std::int32_t number);
void InitLanguage();
void SetLanguage(std::int32_t index);
// The printer product's language number; raises a type mismatch when it is not a number.
std::int32_t GetLanguageId();
// The captions' language for the printer product's language number: German, French, else English.
std::int32_t LanguageIndexOf(std::int32_t id);
// The primary language of a language number: id - 1024 * round-half-even(id / 1024).
std::int32_t GetPrimaryLanguageId(std::int32_t id);

}  // namespace orvan
