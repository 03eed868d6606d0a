// vellaro-demo: a stand-in for a reporting host, to see Vellaro's main job
// work on real report pages.
//
// It does what a host does, in a demo folder of its own:
//  1. seeds the data file GOODS.db with sample Goods records, through the
//     runtime's keyed-file driver;
//  2. prints the Goods report (the report definition of the start-up run:
//     page header, one detail band per record, page footer) through the
//     report engine, one placeable metafile per page, to
//     KQ/<instance><page>.WMF;
//  3. starts vellaro in the demo folder with the instance number and one
//     MakeEMLFileSW call;
//  4. tells where the message and the RTF document landed and what the
//     message holds.
//
// Usage: vellaro-demo [--records N] [--instance N] [--scale N]
//                     [--vellaro PATH] [FOLDER]
// FOLDER defaults to ./demo. vellaro is looked for at --vellaro, then next
// to this program, then where the build put it. Exit code 0 when the
// message was written completely.

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "message_summary.h"
#include "runtime/env.h"
#include "runtime/error_text.h"
#include "runtime/keyed_file.h"
#include "runtime/report_engine.h"
#include "runtime/text.h"
#include "startup_report/goods_file.h"
#include "startup_report/goods_report.h"

extern char** environ;

namespace vellaro_demo {
namespace {

namespace fs = std::filesystem;
using vellaro::Decimal;

constexpr std::string_view kUsage =
    "usage: vellaro-demo [--records N] [--instance N] [--scale N] "
    "[--vellaro PATH] [FOLDER]\n";

// The most pages one message carries.
constexpr std::size_t kMaxPages = 255;

struct Options {
  int records = 300;
  int instance = 5;
  // A page picture at full size is taller than the text area of an A4 page
  // with the document's margins; at 80 percent it fits, and word processors
  // lay out each page picture on a page of its own.
  int scale = 80;
  std::string vellaro;
  fs::path folder = "demo";
};

// A whole number from `text` in [low, high], or nothing.
std::optional<int> Number(std::string_view text, int low, int high) {
  int value = 0;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

struct NumberOption {
  std::string_view flag;
  int Options::*field;
  int low;
  int high;
};

constexpr NumberOption kNumberOptions[] = {
    {"--records", &Options::records, 1, 6000},
    {"--instance", &Options::instance, 0, 255},
    {"--scale", &Options::scale, 1, 255},
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  bool folder_given = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value = i + 1 < argc ? argv[i + 1] : "";
    bool matched = false;
    for (const NumberOption& option : kNumberOptions) {
      if (arg != option.flag) continue;
      std::optional<int> number = Number(value, option.low, option.high);
      if (!number) {
        std::cerr << "vellaro-demo: " << option.flag << " takes a number from "
                  << option.low << " to " << option.high << "\n";
        return std::nullopt;
      }
      options.*option.field = *number;
      matched = true;
      ++i;
    }
    if (matched) continue;
    if (arg == "--vellaro" && i + 1 < argc) {
      options.vellaro = value;
      ++i;
    } else if (!arg.empty() && arg.front() != '-' && !folder_given) {
      options.folder = arg;
      folder_given = true;
    } else {
      return std::nullopt;
    }
  }
  return options;
}

// Sample Goods record `i`: customers with seven order lines each.
vellaro::Record SampleRecord(int i) {
  static constexpr std::string_view kGoods[] = {
      "Oak writing desk",   "Steel shelf unit", "Desk lamp, brass",
      "Office chair",       "Filing cabinet",   "Whiteboard 120x90",
      "Paper, A4, 5 reams", "Toner cartridge",  "Stapler, heavy duty",
      "Monitor arm",        "Cable tray",       "Coat stand",
      "Meeting table",      "Bookcase, walnut", "Pinboard, cork",
      "Document trays",     "Label printer",    "Shredder",
      "Footrest",           "Planter, large",
  };
  constexpr int kGoodsCount = static_cast<int>(std::size(kGoods));
  std::int32_t customer = 10001 + i / 7 * 13 % 9000;
  std::string goods(kGoods[(i * 7 + i / 7) % kGoodsCount]);
  return vellaro::Record{customer, goods};
}

// What went wrong with a data file, in words.
std::string Failure(const vellaro::ErrorState& error) {
  std::string text =
      vellaro::ErrorText(error.code) + " (" + Decimal(error.code) + ")";
  if (!error.driver_text.empty()) text += ": " + error.driver_text;
  return text;
}

// Makes GOODS.db afresh in the current directory with `count` records.
bool SeedGoods(vellaro::Env& env, int count) {
  std::unique_ptr<vellaro::KeyedFile> goods =
      env.NewKeyedFile(vellaro::kGoodsFileName, vellaro::GoodsLayout());
  env.DeleteFile(goods->Name());  // a missing file is what we want
  std::vector<vellaro::Record> records;
  for (int i = 0; i < count; ++i) records.push_back(SampleRecord(i));
  int code = goods->Create();
  if (code == vellaro::kOk) code = goods->Open(vellaro::Access::kReadWrite);
  if (code == vellaro::kOk) code = goods->Add(records);
  if (code != vellaro::kOk) {
    std::cerr << "vellaro-demo: cannot write " << goods->Name() << ": "
              << Failure(goods->LastError()) << "\n";
    return false;
  }
  goods->Close();
  return true;
}

// Writes each printed page to KQ/<instance><page>.WMF, as a host does.
class PageFilePrinter : public vellaro::PagePrinter {
 public:
  PageFilePrinter(vellaro::Env& env, int instance)
      : env_(env), instance_(instance) {}

  void PrintPage(const vellaro::PagePicture& page) override {
    std::string path =
        "KQ\\" + Decimal(instance_) + Decimal(page.number) + ".WMF";
    std::unique_ptr<vellaro::WritableFile> file;
    int code = env_.CreateForWriting(path, &file);
    if (code == vellaro::kOk) code = file->Append(page.metafile);
    if (code == vellaro::kOk) code = file->Close();
    if (code != vellaro::kOk) failed_ = path + " (" + Decimal(code) + ")";
    paths_.push_back(path);
    sizes_.push_back(page.metafile.size());
  }

  const std::string& failed() const { return failed_; }
  const std::vector<std::string>& paths() const { return paths_; }
  const std::vector<std::size_t>& sizes() const { return sizes_; }

 private:
  vellaro::Env& env_;
  int instance_;
  std::string failed_;
  std::vector<std::string> paths_;
  std::vector<std::size_t> sizes_;
};

// Prints the Goods report over every record of GOODS.db to page files;
// returns the number of pages, 0 on a failure.
std::size_t PrintGoodsReport(vellaro::Env& env, int instance) {
  std::unique_ptr<vellaro::KeyedFile> goods =
      env.NewKeyedFile(vellaro::kGoodsFileName, vellaro::GoodsLayout());
  int code = goods->Open(vellaro::Access::kRead);
  if (code == vellaro::kOk) code = goods->SetRecordOrder();
  if (code == vellaro::kOk) code = goods->OpenView();
  if (code != vellaro::kOk) {
    std::cerr << "vellaro-demo: cannot read " << goods->Name() << ": "
              << Failure(goods->LastError()) << "\n";
    return 0;
  }
  env.CreateFolder("KQ");  // exists already on a second run
  vellaro::PageList page_list;
  PageFilePrinter printer(env, instance);
  vellaro::Report report(vellaro::GoodsReportDefinition(), &page_list,
                         &printer);
  vellaro::Record record;
  while ((code = goods->Next(&record)) == vellaro::kOk) {
    report.PrintDetail(record);
  }
  if (code != vellaro::kRecordNotAvailable) {
    std::cerr << "vellaro-demo: reading " << goods->Name()
              << " failed: " << Failure(goods->LastError()) << "\n";
    return 0;
  }
  goods->Close();
  if (report.page_count() > kMaxPages) {
    std::cerr << "vellaro-demo: " << report.page_count()
              << " pages; a message holds at most " << kMaxPages
              << ": use fewer records\n";
    return 0;
  }
  report.EndReport();
  if (!printer.failed().empty()) {
    std::cerr << "vellaro-demo: cannot write " << printer.failed() << "\n";
    return 0;
  }
  const std::vector<std::size_t>& sizes = printer.sizes();
  auto [smallest, largest] = std::minmax_element(sizes.begin(), sizes.end());
  std::cout << "Printed the report \"Report the Goods File\": " << sizes.size()
            << " pages, KQ/" << instance << "1.WMF to KQ/" << instance
            << sizes.size() << ".WMF (placeable metafiles, " << *smallest
            << " to " << *largest << " bytes)\n";
  return sizes.size();
}

// `text` as a string literal of a call: in apostrophes, each one inside
// doubled.
std::string Literal(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// The call a host passes: the arguments of MakeEMLFileSW in their order.
std::string MakeCall(const fs::path& folder, std::size_t pages, int scale) {
  const vellaro::PaperSize& paper = vellaro::GoodsReportDefinition().paper;
  const std::string arguments[] = {
      (folder / "report.eml").string(),        //  1 the message file
      Decimal(static_cast<long long>(pages)),  //  2 pages
      "ann@example.com, bob@example.com",      //  3 To
      "Goods report",                          //  4 Subject
      "0",                                     //  5 background: white
      Decimal(scale),                          //  6 picture scale, percent
      "",                                      //  7 Cc
      "",                                      //  8 Bcc
      "0",                                     //  9 with the RTF document
      "Goods",                                 // 10 its name
      (folder / "saved").string(),             // 11 and a folder for a copy
      "up.gif",                                // 12 arrows: missing files, so
      "down.gif",                              // 13 the built-in ones are used
      "Arial",                                 // 14 message text font
      "2",                                     // 15 its size
      "0",                                     // 16 its colour: black
      "0",                                     // 17 content: pages and RTF
      "197",                                   // 18 left margin, 1/1000 inch
      "197",                                   // 19 top margin
      Decimal(paper.width),                    // 20 page width
      Decimal(paper.height),                   // 21 page height
      "",                                      // 22 no sound
      "",                                      // 23 sound loop
      "Normal",                                // 24 priority
      "0",                                     // 25 portrait
      "A4",                                    // 26 paper
      "reports@example.com",                   // 27 From
  };
  std::string call = "MakeEMLFileSW(";
  for (const std::string& argument : arguments) {
    if (call.back() != '(') call += ',';
    call += Literal(argument);
  }
  return call + ")";
}

// Where vellaro is: --vellaro, next to this program, or the build's.
fs::path FindVellaro(const Options& options) {
  if (!options.vellaro.empty()) return fs::absolute(options.vellaro);
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    fs::path beside = self.parent_path() / "vellaro";
    if (fs::is_regular_file(beside, ec)) return beside;
  }
  return VELLARO_BUILD_PROGRAM;
}

// Runs `program` with `args` in the current directory; true when it ran
// and ended normally.
bool Run(const fs::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> all = {program.string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, all[0].c_str(), nullptr, nullptr, argv.data(),
                         environ);
  if (rc != 0) {
    std::cerr << "vellaro-demo: cannot start " << program.string() << ": "
              << std::generic_category().message(rc) << "\n";
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Bytes(std::uintmax_t size) {
  return Decimal(static_cast<long long>(size)) + " bytes";
}

// Tells what the message holds; false when it is missing or incomplete.
bool ReportMessage(const fs::path& eml, std::size_t pages) {
  std::error_code ec;
  if (!fs::is_regular_file(eml, ec)) {
    std::cerr << "vellaro-demo: vellaro wrote no message at " << eml.string()
              << "\n";
    return false;
  }
  MessageSummary summary = SummarizeMessage(ReadFile(eml));
  std::cout << "\nMessage: " << eml.string() << " ("
            << Bytes(fs::file_size(eml, ec)) << "), an unsent draft\n";
  for (std::string_view name : {"From", "To", "Subject", "X-Unsent"}) {
    std::string value = summary.Header(name);
    if (!value.empty()) std::cout << "  " << name << ": " << value << "\n";
  }
  std::cout << "  " << summary.parts.size() << " parts:\n";
  std::size_t page_parts = 0;
  for (const MessagePart& part : summary.parts) {
    std::string label = part.name.empty() ? "" : part.name;
    if (!part.content_id.empty()) label += " <" + part.content_id + ">";
    char line[160];
    std::snprintf(line, sizeof line, "    %-26s %-18s %10s\n",
                  part.content_type.c_str(), label.c_str(),
                  Bytes(part.size).c_str());
    std::cout << line;
    if (part.name.size() > 4 &&
        part.name.substr(part.name.size() - 4) == ".WMF") {
      ++page_parts;
    }
  }
  if (!summary.closed || page_parts != pages) {
    std::cerr << "vellaro-demo: the message is incomplete (" << page_parts
              << " of " << pages << " pages)\n";
    return false;
  }
  return true;
}

void ReportRtf(const fs::path& folder, int instance) {
  const fs::path documents[] = {
      folder / "KQ" / (Decimal(instance) + ".RTF"),
      folder / "KQ" / "Goods.RTF",
      folder / "saved" / "Goods.RTF",
  };
  std::cout << "\nRTF document (all pages as pictures):\n";
  for (const fs::path& path : documents) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) continue;
    std::cout << "  " << path.string() << " (" << Bytes(fs::file_size(path, ec))
              << ")\n";
  }
}

int Main(int argc, char** argv) {
  std::optional<Options> parsed = ParseOptions(argc, argv);
  if (!parsed) {
    std::cerr << kUsage;
    return 2;
  }
  const Options& options = *parsed;
  fs::path vellaro = FindVellaro(options);
  std::error_code ec;
  fs::path folder = fs::absolute(options.folder, ec);
  fs::create_directories(folder, ec);
  fs::current_path(folder, ec);
  if (ec) {
    std::cerr << "vellaro-demo: cannot work in " << folder.string() << ": "
              << ec.message() << "\n";
    return 1;
  }

  vellaro::Env& env = *vellaro::NativeEnv(argc, argv);
  if (!SeedGoods(env, options.records)) return 1;
  std::cout << "Seeded " << (folder / "GOODS.db").string() << " with "
            << options.records << " Goods records.\n";
  std::size_t pages = PrintGoodsReport(env, options.instance);
  if (pages == 0) return 1;

  std::vector<std::string> args = {Decimal(options.instance),
                                   MakeCall(folder, pages, options.scale)};
  std::cout << "\nRunning, in " << folder.string() << ":\n  "
            << vellaro.string() << " " << args[0] << " \"" << args[1] << "\"\n";
  if (!Run(vellaro, args)) return 1;
  if (!ReportMessage(folder / "report.eml", pages)) return 1;
  ReportRtf(folder, options.instance);
  std::cout << "\nOpen the message in a mail program to see the draft, or "
               "the RTF document in a word processor.\n";
  return 0;
}

}  // namespace
}  // namespace vellaro_demo

int main(int argc, char** argv) { return vellaro_demo::Main(argc, argv); }
