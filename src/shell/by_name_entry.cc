#include "shell/by_name_entry.h"

#include "mail/make_eml_file.h"
#include "shell/number_conversion.h"

namespace vellaro {
namespace {

// Where each of the 27 parameters goes, by its 1-based position.
template <typename T>
struct Slot {
  int position;
  T EmlParams::*field;
};

constexpr Slot<std::string> kTextSlots[] = {
    {1, &EmlParams::eml_file_name},    {3, &EmlParams::mail_to},
    {4, &EmlParams::mail_subject},     {7, &EmlParams::mail_cc},
    {8, &EmlParams::mail_bcc},         {10, &EmlParams::rtf_name},
    {11, &EmlParams::rtf_copy_folder}, {12, &EmlParams::up_image},
    {13, &EmlParams::down_image},      {14, &EmlParams::font_face},
    {22, &EmlParams::sound_file},      {23, &EmlParams::sound_loop},
    {24, &EmlParams::priority},        {26, &EmlParams::paper_name},
    {27, &EmlParams::mail_from},
};

constexpr Slot<std::int32_t> kWholeNumberSlots[] = {
    {5, &EmlParams::bg_color},     {16, &EmlParams::font_color},
    {18, &EmlParams::left_margin}, {19, &EmlParams::top_margin},
    {20, &EmlParams::page_width},  {21, &EmlParams::page_height},
};

constexpr Slot<std::uint8_t> kSmallNumberSlots[] = {
    {2, &EmlParams::page_count},    {6, &EmlParams::scale_percent},
    {9, &EmlParams::no_rtf},        {15, &EmlParams::font_size},
    {17, &EmlParams::content_mode}, {25, &EmlParams::landscape},
};

// The text at a 1-based position; empty past the end.
std::string_view TextAt(std::span<const std::string> texts, int position) {
  std::size_t index = static_cast<std::size_t>(position - 1);
  return index < texts.size() ? std::string_view(texts[index])
                              : std::string_view();
}

}  // namespace

EmlParams EmlParamsFromTexts(std::span<const std::string> texts) {
  EmlParams params;
  for (const auto& slot : kTextSlots) {
    params.*slot.field = std::string(TextAt(texts, slot.position));
  }
  for (const auto& slot : kWholeNumberSlots) {
    params.*slot.field = WholeNumberFromText(TextAt(texts, slot.position));
  }
  for (const auto& slot : kSmallNumberSlots) {
    params.*slot.field = SmallNumberFromText(TextAt(texts, slot.position));
  }
  return params;
}

std::uint8_t MakeEMLFileSW(Env& env, const AppState& state,
                           std::span<const std::string> texts) {
  return MakeEMLFile(env, state, EmlParamsFromTexts(texts));
}

void BindMakeEMLFileSW(BindingScope& scope, Env& env, const AppState& state) {
  scope.Bind(kMakeEMLFileSWName, kMakeEMLFileSWParameterCount,
             [&env, &state](std::span<const std::string> texts) {
               return static_cast<long long>(MakeEMLFileSW(env, state, texts));
             });
}

}  // namespace vellaro
