// Prints a one-page report to <folder>/71.WMF and writes it into
// <folder>/report.eml through the installed library, as a host would.
// Usage: consumer FOLDER. Exit code 0 when the message is complete.

#include <vellaro/vellaro.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

// A blank page: the placeable header of a 1 x 1 inch picture, the
// metafile header and the end record.
const unsigned char kBlankPage[] = {
    0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0,  0, 0,    0,    0xE8, 0x03,
    0xE8, 0x03, 0xE8, 0x03, 0, 0, 0,  0, 0xF9, 0x54,  // checksum of the ten
                                                      // words
    1,    0,    9,    0,    0, 3, 12, 0, 0,    0,    0,    0,
    3,    0,    0,    0,    0, 0, 3,  0, 0,    0,    0,    0};

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: consumer FOLDER\n";
    return 2;
  }
  std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "71.WMF", std::ios::binary)
      .write(reinterpret_cast<const char*>(kBlankPage), sizeof kBlankPage);

  vellaro::EmlParams params;
  params.eml_file_name = (folder / "report.eml").string();
  params.page_count = 1;
  params.mail_to = "ann@example.com";
  params.mail_subject = "Installed";
  params.rtf_name = "Report";
  params.page_width = 1000;
  params.page_height = 1000;
  params.paper_name = "A4";
  std::uint8_t result = vellaro::MakeEMLFile(params, folder.string(), 7);

  std::string eml = Read(folder / "report.eml");
  bool complete = result == vellaro::kEmlDone &&
                  eml.find("Subject: Installed\r\n") != std::string::npos &&
                  eml.find("name=\"1.WMF\"") != std::string::npos &&
                  eml.ends_with("------=_1_--\r\n") &&
                  std::filesystem::exists(folder / "7.RTF");
  std::cout << "consumer: result " << int{result} << ", " << eml.size()
            << " bytes of message" << (complete ? "" : ", incomplete") << "\n";
  return complete ? 0 : 1;
}
