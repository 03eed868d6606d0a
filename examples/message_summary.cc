#include "message_summary.h"

#include <algorithm>
#include <cctype>

namespace vellaro_demo {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return text.substr(start, end - start + 1);
}

// The lines of `text`, without their CR LF or LF.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

using Headers = std::vector<std::pair<std::string, std::string>>;

// Reads header lines from `lines[*at]` up to and including the empty line
// that ends them.
Headers ReadHeaders(const std::vector<std::string_view>& lines,
                    std::size_t* at) {
  Headers headers;
  for (; *at < lines.size(); ++*at) {
    std::string_view line = lines[*at];
    if (line.empty()) {
      ++*at;
      break;
    }
    if ((line.front() == ' ' || line.front() == '\t') && !headers.empty()) {
      std::string& value = headers.back().second;
      std::string_view more = Trim(line);
      if (!value.empty() && !more.empty()) value += ' ';
      value += more;
      continue;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    headers.emplace_back(std::string(Trim(line.substr(0, colon))),
                         std::string(Trim(line.substr(colon + 1))));
  }
  return headers;
}

std::string Find(const Headers& headers, std::string_view name) {
  std::string wanted = Lower(name);
  for (const auto& [field, value] : headers) {
    if (Lower(field) == wanted) return value;
  }
  return std::string();
}

// The parameter `name` of a header value such as
// `multipart/related; type="x"; boundary="----=_1_"`.
std::string Parameter(std::string_view value, std::string_view name) {
  std::string lower = Lower(value);
  std::string key = Lower(name) + "=";
  std::size_t at = 0;
  while ((at = lower.find(key, at)) != std::string::npos) {
    bool starts = at == 0 || lower[at - 1] == ';' || lower[at - 1] == ' ';
    at += key.size();
    if (!starts) continue;
    std::string_view rest = value.substr(at);
    if (!rest.empty() && rest.front() == '"') {
      rest.remove_prefix(1);
      return std::string(rest.substr(0, rest.find('"')));
    }
    return std::string(Trim(rest.substr(0, rest.find(';'))));
  }
  return std::string();
}

std::uint64_t Base64Size(const std::vector<std::string_view>& body) {
  std::uint64_t symbols = 0;
  std::uint64_t padding = 0;
  for (std::string_view line : body) {
    for (char c : line) {
      if (c == '=') {
        ++padding;
      } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '+' ||
                 c == '/') {
        ++symbols;
      }
    }
  }
  return (symbols + padding) / 4 * 3 - std::min<std::uint64_t>(padding, 2);
}

std::uint64_t QuotedPrintableSize(const std::vector<std::string_view>& body) {
  std::uint64_t size = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    std::string_view line = body[i];
    bool soft_break = !line.empty() && line.back() == '=';
    if (soft_break) line.remove_suffix(1);
    for (std::size_t k = 0; k < line.size(); ++k) {
      if (line[k] == '=' && k + 2 < line.size() &&
          std::isxdigit(static_cast<unsigned char>(line[k + 1])) &&
          std::isxdigit(static_cast<unsigned char>(line[k + 2]))) {
        k += 2;
      }
      ++size;
    }
    if (!soft_break && i + 1 < body.size()) size += 2;  // CR LF
  }
  return size;
}

std::uint64_t PlainSize(const std::vector<std::string_view>& body) {
  std::uint64_t size = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    size += body[i].size() + (i + 1 < body.size() ? 2 : 0);
  }
  return size;
}

MessagePart Describe(const Headers& headers,
                     const std::vector<std::string_view>& body) {
  MessagePart part;
  std::string type = Find(headers, "Content-Type");
  part.content_type = Lower(Trim(type.substr(0, type.find(';'))));
  if (part.content_type.empty()) part.content_type = "text/plain";
  part.name = Parameter(Find(headers, "Content-Disposition"), "filename");
  if (part.name.empty()) part.name = Parameter(type, "name");
  part.content_id = Find(headers, "Content-ID");
  if (part.content_id.size() >= 2 && part.content_id.front() == '<' &&
      part.content_id.back() == '>') {
    part.content_id = part.content_id.substr(1, part.content_id.size() - 2);
  }
  std::string encoding = Lower(Find(headers, "Content-Transfer-Encoding"));
  if (encoding == "base64") {
    part.size = Base64Size(body);
  } else if (encoding == "quoted-printable") {
    part.size = QuotedPrintableSize(body);
  } else {
    part.size = PlainSize(body);
  }
  return part;
}

}  // namespace

std::string MessageSummary::Header(std::string_view name) const {
  return Find(headers, name);
}

MessageSummary SummarizeMessage(std::string_view eml) {
  MessageSummary summary;
  std::vector<std::string_view> lines = Lines(eml);
  std::size_t at = 0;
  summary.headers = ReadHeaders(lines, &at);

  std::string outer = Parameter(summary.Header("Content-Type"), "boundary");
  if (outer.empty()) {
    std::vector<std::string_view> body(lines.begin() + static_cast<long>(at),
                                       lines.end());
    summary.parts.push_back(Describe(summary.headers, body));
    return summary;
  }

  // The boundaries of the multiparts entered so far, outermost first.
  std::vector<std::string> boundaries = {outer};
  bool closing = false;    // the last delimiter found closes its multipart
  bool outermost = false;  // ... and belongs to the outermost one
  auto is_delimiter = [&](std::string_view line) {
    for (const std::string& boundary : boundaries) {
      if (line.size() < boundary.size() + 2 || line.substr(0, 2) != "--" ||
          line.substr(2, boundary.size()) != boundary) {
        continue;
      }
      std::string_view rest = line.substr(2 + boundary.size());
      if (rest.empty() || rest == "--") {
        closing = !rest.empty();
        outermost = boundary == outer;
        return true;
      }
    }
    return false;
  };
  auto skip_to_delimiter = [&] {
    while (at < lines.size() && !is_delimiter(lines[at])) ++at;
  };

  skip_to_delimiter();
  while (at < lines.size()) {
    if (closing) {
      if (outermost) {
        summary.closed = true;
        break;
      }
      ++at;  // an inner multipart ends; the one around it goes on
      skip_to_delimiter();
      continue;
    }
    ++at;
    Headers headers = ReadHeaders(lines, &at);
    std::string type = Find(headers, "Content-Type");
    if (Lower(Trim(type)).rfind("multipart/", 0) == 0) {
      std::string inner = Parameter(type, "boundary");
      if (!inner.empty()) boundaries.push_back(inner);
      skip_to_delimiter();
      continue;
    }
    std::size_t start = at;
    skip_to_delimiter();
    std::vector<std::string_view> body(lines.begin() + static_cast<long>(start),
                                       lines.begin() + static_cast<long>(at));
    summary.parts.push_back(Describe(headers, body));
  }
  return summary;
}

}  // namespace vellaro_demo
