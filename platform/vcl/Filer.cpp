#include "platform/vcl/Filer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/gdi/TextUtf8.h"

namespace vcl {

TFormValue TFormValue::Int(int64_t v) {
  TFormValue value;
  value.type = vaInt;
  value.int_value = v;
  return value;
}

TFormValue TFormValue::Float(double v) {
  TFormValue value;
  value.type = vaFloat;
  value.float_value = v;
  return value;
}

TFormValue TFormValue::String(std::string v) {
  TFormValue value;
  value.type = vaString;
  value.text = std::move(v);
  return value;
}

TFormValue TFormValue::Ident(std::string v) {
  TFormValue value;
  value.type = vaIdent;
  value.text = std::move(v);
  return value;
}

TFormValue TFormValue::Set(std::vector<std::string> elements) {
  TFormValue value;
  value.type = vaSet;
  value.elements = std::move(elements);
  return value;
}

TFormValue TFormValue::List() {
  TFormValue value;
  value.type = vaList;
  return value;
}

TFormValue TFormValue::Binary(std::vector<uint8_t> bytes) {
  TFormValue value;
  value.type = vaBinary;
  value.binary = std::move(bytes);
  return value;
}

TFormValue TFormValue::Collection() {
  TFormValue value;
  value.type = vaCollection;
  return value;
}

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

enum TToken { tEOF, tIdent, tInt, tFloat, tString, tSymbol };

// Tokens of the description text. Identifiers may be dotted paths.
class TParser {
 public:
  explicit TParser(std::string_view text) : text_(text) { Next(); }

  TFormObject ParseRoot() {
    TFormObject root = ParseObject(1);
    if (token_ != tEOF) Error("End of file expected");
    return root;
  }

 private:
  [[noreturn]] void Error(const std::string& message) const {
    throw EParserError(message + " on line " + std::to_string(token_line_), token_line_);
  }

  bool IsSymbol(char c) const { return token_ == tSymbol && symbol_ == c; }
  bool IsKeyword(std::string_view word) const { return token_ == tIdent && SameText(text_value_, word); }
  bool IsObjectKeyword() const {
    return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline");
  }

  void Expect(char c) {
    if (!IsSymbol(c)) Error(std::string("'") + c + "' expected");
    Next();
  }

  std::string ExpectIdent(const char* what) {
    if (token_ != tIdent) Error(std::string(what) + " expected");
    std::string s = text_value_;
    Next();
    return s;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
      char c = text_[pos_++];
      if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
    }
  }

  void Next() {
    SkipBlanks();
    token_line_ = line_;
    if (pos_ >= text_.size()) {
      token_ = tEOF;
      return;
    }
    char c = text_[pos_];
    if (IsAlpha(c)) {
      size_t start = pos_;
      while (pos_ < text_.size()) {
        char d = text_[pos_];
        if (IsAlpha(d) || IsDigit(d)) {
          ++pos_;
        } else if (d == '.' && pos_ + 1 < text_.size() && IsAlpha(text_[pos_ + 1])) {
          ++pos_;
        } else {
          break;
        }
      }
      token_ = tIdent;
      text_value_.assign(text_.substr(start, pos_ - start));
      return;
    }
    if (IsDigit(c) || c == '$' ||
        (c == '-' && pos_ + 1 < text_.size() && (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
      ScanNumber();
      return;
    }
    if (c == '\'' || c == '#') {
      ScanString();
      return;
    }
    token_ = tSymbol;
    symbol_ = c;
    ++pos_;
  }

  void ScanNumber() {
    bool negative = false;
    if (text_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    if (text_[pos_] == '$') {
      ++pos_;
      uint64_t v = 0;
      size_t start = pos_;
      while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
        if (v >> 60) Error("Integer overflow");
        v = v * 16 + static_cast<uint64_t>(HexValue(text_[pos_++]));
      }
      if (pos_ == start) Error("Invalid number");
      token_ = tInt;
      int_value_ = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
      return;
    }
    size_t start = pos_;
    bool is_float = false;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    if (pos_ + 1 < text_.size() && text_[pos_] == '.' && IsDigit(text_[pos_ + 1])) {
      is_float = true;
      ++pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      size_t save = pos_++;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (pos_ < text_.size() && IsDigit(text_[pos_])) {
        is_float = true;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      } else {
        pos_ = save;
      }
    }
    if (pos_ < text_.size() && (IsAlpha(text_[pos_]) || text_[pos_] == '.')) Error("Invalid number");
    std::string_view digits = text_.substr(start, pos_ - start);
    if (is_float) {
      double v = 0;
      auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
      if (ec == std::errc::result_out_of_range) {
        v = (digits.find("e-") != std::string_view::npos || digits.find("E-") != std::string_view::npos)
                ? 0.0
                : std::numeric_limits<double>::infinity();
      } else if (ec != std::errc()) {
        Error("Invalid number");
      }
      token_ = tFloat;
      float_value_ = negative ? -v : v;
      return;
    }
    uint64_t v = 0;
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (ec != std::errc() || v > limit) Error("Integer overflow");
    token_ = tInt;
    int_value_ = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  }

  // 'quoted' runs and #codes, side by side, form one string.
  void ScanString() {
    text_value_.clear();
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\'') {
        ++pos_;
        for (;;) {
          if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r')
            Error("Unterminated string");
          char d = text_[pos_++];
          if (d == '\'') {
            if (pos_ < text_.size() && text_[pos_] == '\'') {
              text_value_ += '\'';
              ++pos_;
              continue;
            }
            break;
          }
          text_value_ += d;
        }
      } else if (c == '#') {
        ++pos_;
        uint32_t code = 0;
        size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '$') {
          start = ++pos_;
          while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
            code = code * 16 + static_cast<uint32_t>(HexValue(text_[pos_++]));
            if (code > 0x10FFFF) Error("Invalid character code");
          }
        } else {
          while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            code = code * 10 + static_cast<uint32_t>(text_[pos_++] - '0');
            if (code > 0x10FFFF) Error("Invalid character code");
          }
        }
        if (pos_ == start || (code >= 0xD800 && code <= 0xDFFF)) Error("Invalid character code");
        plat::fonts::AppendUtf8(text_value_, code);
      } else {
        break;
      }
    }
    token_ = tString;
  }

  TFormObject ParseObject(int depth) {
    if (depth > kMaxFormNesting) Error("Objects nested too deeply");
    TFormObject object;
    object.line = token_line_;
    if (!IsObjectKeyword()) Error("'object' expected");
    object.keyword = LowerCase(text_value_);
    Next();
    std::string first = ExpectIdent("Identifier");
    if (IsSymbol(':')) {
      Next();
      object.name = first;
      object.class_name = ExpectIdent("Class name");
    } else {
      object.class_name = first;
    }
    if (object.name.find('.') != std::string::npos || object.class_name.find('.') != std::string::npos)
      Error("Invalid object name");
    if (IsSymbol('[')) {  // creation order index, not used
      Next();
      if (token_ != tInt) Error("Number expected");
      Next();
      Expect(']');
    }
    while (token_ == tIdent && !IsKeyword("end") && !IsObjectKeyword())
      object.properties.push_back(ParseProperty(depth));
    while (IsObjectKeyword()) object.children.push_back(ParseObject(depth + 1));
    if (!IsKeyword("end")) Error("'end' expected");
    Next();
    return object;
  }

  TFormProperty ParseProperty(int depth) {
    TFormProperty property;
    property.line = token_line_;
    property.name = ExpectIdent("Property name");
    Expect('=');
    property.value = ParseValue(depth);
    return property;
  }

  TFormValue ParseValue(int depth) {
    TFormValue value;
    value.line = token_line_;
    switch (token_) {
      case tInt:
        value.type = vaInt;
        value.int_value = int_value_;
        Next();
        return value;
      case tFloat:
        value.type = vaFloat;
        value.float_value = float_value_;
        Next();
        return value;
      case tString:
        value.type = vaString;
        value.text = std::move(text_value_);
        Next();
        while (IsSymbol('+')) {
          Next();
          if (token_ != tString) Error("String expected");
          value.text += text_value_;
          Next();
        }
        return value;
      case tIdent:
        value.type = vaIdent;
        value.text = std::move(text_value_);
        Next();
        return value;
      case tSymbol:
        break;
      case tEOF:
        Error("Unexpected end of file");
    }
    switch (symbol_) {
      case '-':  // -INF
        Next();
        if (token_ != tIdent || !SameText(text_value_, "INF")) Error("Invalid property value");
        value.type = vaIdent;
        value.text = "-INF";
        Next();
        return value;
      case '[':
        value.type = vaSet;
        Next();
        if (!IsSymbol(']')) {
          for (;;) {
            value.elements.push_back(ExpectIdent("Identifier"));
            if (IsSymbol(']')) break;
            Expect(',');
          }
        }
        Next();
        return value;
      case '(':
        value.type = vaList;
        Next();
        while (!IsSymbol(')')) {
          if (token_ == tEOF) Error("')' expected");
          if (token_ == tSymbol && symbol_ != '-') Error("Invalid list item");
          value.list.push_back(ParseValue(depth));
        }
        Next();
        return value;
      case '{':
        value.type = vaBinary;
        ScanBinary(value.binary);
        Next();
        return value;
      case '<':
        if (depth + 1 > kMaxFormNesting) Error("Objects nested too deeply");
        value.type = vaCollection;
        Next();
        while (!IsSymbol('>')) {
          if (!IsKeyword("item")) Error("'item' expected");
          TFormItem item;
          item.line = token_line_;
          Next();
          if (IsSymbol('[')) {
            Next();
            if (token_ != tInt) Error("Number expected");
            Next();
            Expect(']');
          }
          while (!IsKeyword("end")) {
            if (token_ != tIdent) Error("'end' expected");
            item.properties.push_back(ParseProperty(depth + 1));
          }
          Next();
          value.items.push_back(std::move(item));
        }
        Next();
        return value;
      default:
        Error("Invalid property value");
    }
  }

  // Hex digits up to '}', blanks and line breaks anywhere between them.
  void ScanBinary(std::vector<uint8_t>& out) {
    int high = -1;
    for (;;) {
      SkipBlanks();
      token_line_ = line_;
      if (pos_ >= text_.size()) Error("'}' expected");
      char c = text_[pos_++];
      if (c == '}') break;
      int v = HexValue(c);
      if (v < 0) Error("Invalid binary value");
      if (high < 0) {
        high = v;
      } else {
        out.push_back(static_cast<uint8_t>(high * 16 + v));
        high = -1;
      }
    }
    if (high >= 0) Error("Invalid binary value");
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  int token_line_ = 1;
  TToken token_ = tEOF;
  char symbol_ = 0;
  std::string text_value_;
  int64_t int_value_ = 0;
  double float_value_ = 0;
};

// Writing

constexpr size_t kLineWidth = 64;
const char* const kEol = "\r\n";

std::string Indent(int level) { return std::string(static_cast<size_t>(level) * 2, ' '); }

// Pieces of a quoted string: quoted runs and #codes for control characters.
std::vector<std::string> StringPieces(const std::string& s) {
  std::vector<std::string> pieces;
  std::string run;
  bool in_quote = false;
  std::string current;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 32) {
      if (in_quote) {
        current += '\'';
        in_quote = false;
      }
      current += '#' + std::to_string(c);
    } else {
      if (!in_quote) {
        current += '\'';
        in_quote = true;
      }
      current += static_cast<char>(c);
      if (c == '\'') current += '\'';
    }
    // Break only between whole characters, never inside a UTF-8 sequence.
    bool boundary = i + 1 >= s.size() || (static_cast<unsigned char>(s[i + 1]) & 0xC0) != 0x80;
    if (current.size() >= kLineWidth && boundary) {
      if (in_quote) current += '\'';
      pieces.push_back(std::move(current));
      current.clear();
      in_quote = false;
    }
  }
  if (in_quote) current += '\'';
  if (!current.empty()) pieces.push_back(std::move(current));
  if (pieces.empty()) pieces.push_back("''");
  return pieces;
}

std::string FloatText(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, end);
  if (s.find_first_of(".eE") == std::string::npos) s += ".0";
  return s;
}

void WriteValue(std::string& out, const TFormValue& value, int level);

void WriteProperties(std::string& out, const std::vector<TFormProperty>& properties, int level) {
  for (const TFormProperty& p : properties) {
    out += Indent(level) + p.name + " =";
    WriteValue(out, p.value, level);
    out += kEol;
  }
}

// Writes " value" after "Name =", continuing on further lines where needed.
void WriteValue(std::string& out, const TFormValue& value, int level) {
  switch (value.type) {
    case vaNull:
      out += " nil";
      break;
    case vaInt:
      out += ' ' + std::to_string(value.int_value);
      break;
    case vaFloat:
      out += ' ' + FloatText(value.float_value);
      break;
    case vaString: {
      std::vector<std::string> pieces = StringPieces(value.text);
      if (pieces.size() == 1) {
        out += ' ' + pieces[0];
      } else {
        for (size_t i = 0; i < pieces.size(); ++i) {
          out += kEol + Indent(level + 1) + pieces[i];
          if (i + 1 < pieces.size()) out += " +";
        }
      }
      break;
    }
    case vaIdent:
      out += ' ' + value.text;
      break;
    case vaSet: {
      out += " [";
      for (size_t i = 0; i < value.elements.size(); ++i) out += (i ? ", " : "") + value.elements[i];
      out += ']';
      break;
    }
    case vaList:
      out += " (";
      for (const TFormValue& item : value.list) {
        out += kEol + Indent(level + 1);
        std::string text;
        WriteValue(text, item, level + 1);
        out += text.substr(1);
      }
      out += ')';
      break;
    case vaBinary: {
      out += " {";
      static const char* hex = "0123456789ABCDEF";
      for (size_t i = 0; i < value.binary.size(); ++i) {
        if (i % (kLineWidth / 2) == 0) out += kEol + Indent(level + 1);
        out += hex[value.binary[i] >> 4];
        out += hex[value.binary[i] & 15];
      }
      out += '}';
      break;
    }
    case vaCollection:
      out += " <";
      for (const TFormItem& item : value.items) {
        out += kEol + Indent(level + 1) + "item" + kEol;
        WriteProperties(out, item.properties, level + 2);
        out += Indent(level + 1) + "end";
      }
      out += '>';
      break;
  }
}

void WriteObject(std::string& out, const TFormObject& object, int level) {
  out += Indent(level) + (object.keyword.empty() ? "object" : object.keyword) + ' ';
  if (!object.name.empty()) out += object.name + ": ";
  out += object.class_name + kEol;
  WriteProperties(out, object.properties, level + 1);
  for (const TFormObject& child : object.children) WriteObject(out, child, level + 1);
  out += Indent(level) + "end" + kEol;
}

}  // namespace

TFormObject ParseFormText(std::string_view text) { return TParser(text).ParseRoot(); }

std::string FormatFormText(const TFormObject& object) {
  std::string out;
  WriteObject(out, object, 0);
  return out;
}

}  // namespace vcl
