// EmlParams: the 27 parameters of MakeEMLFile, in their order.

#ifndef VELLARO_MAIL_EML_PARAMS_H_
#define VELLARO_MAIL_EML_PARAMS_H_

#include <cstdint>
#include <string>

namespace vellaro {

// The parameter record of MakeEMLFile. Texts are kept as given, trailing
// blanks included; the builder clips and cuts them where it uses them.
// "byte" fields are 0..255, "long" fields signed 32-bit.
struct EmlParams {
  std::string eml_file_name;       //  1 full path of the message file
  std::uint8_t page_count = 0;     //  2 pages 1..255; 0: nothing to do
  std::string mail_to;             //  3 recipients, comma separated
  std::string mail_subject;        //  4
  std::int32_t bg_color = 0;       //  5 0x00BBGGRR; <= 0 means white
  std::uint8_t scale_percent = 0;  //  6 picture scale; 0 is taken as 100
  std::string mail_cc;             //  7 blank: no Cc header
  std::string mail_bcc;            //  8 blank: no Bcc header
  std::uint8_t no_rtf = 0;         //  9 non-zero: no RTF document
  std::string rtf_name;            // 10 base name of the RTF attachment
  std::string rtf_copy_folder;     // 11 blank: no extra copy
  std::string up_image;            // 12 GIF of the up arrow
  std::string down_image;          // 13 GIF of the down arrow
  std::string font_face;           // 14 message text block
  std::uint8_t font_size = 0;      // 15
  std::int32_t font_color = 0;     // 16 0x00BBGGRR; <= 0 means black
  std::uint8_t content_mode = 0;   // 17 which renditions (see ContentMode)
  std::int32_t left_margin = 0;    // 18 thousandths of an inch
  std::int32_t top_margin = 0;     // 19
  std::int32_t page_width = 0;     // 20
  std::int32_t page_height = 0;    // 21
  std::string sound_file;          // 22 blank: no sound
  std::string sound_loop;      // 23 "Once", "Twice", "Three times", "Forever"
  std::string priority;        // 24 "High", "Low", else normal
  std::uint8_t landscape = 0;  // 25 non-zero: landscape pages
  std::string paper_name;      // 26 "A4", "A5", "Letter"
  std::string mail_from;       // 27 blank: no From header
};

}  // namespace vellaro

#endif  // VELLARO_MAIL_EML_PARAMS_H_
