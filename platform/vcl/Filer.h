#pragma once
// The text form of form descriptions: a tree of objects, properties and values,
// the parser that builds it from text and the formatter that writes it back.
// TFiler is what DefineProperties sees while a description is read or written.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vcl/Classes.h"

namespace vcl {

class TStream;
struct TFormItem;

enum TValueType {
  vaNull,
  vaInt,         // 12, -3, $FF
  vaFloat,       // 1.5, 2E-3
  vaString,      // 'a''b'#13#10'c'
  vaIdent,       // True, clRed, MapperId, Button1, Form1.Button1, nil
  vaSet,         // [akLeft, akTop]
  vaList,        // ( 'a' 'b' )
  vaBinary,      // { 0A0B }
  vaCollection,  // < item ... end >
};

struct TFormValue {
  TValueType type = vaNull;
  int64_t int_value = 0;
  double float_value = 0;
  std::string text;                   // string or identifier
  std::vector<std::string> elements;  // set
  std::vector<TFormValue> list;
  std::vector<uint8_t> binary;
  std::vector<TFormItem> items;  // collection
  int line = 0;

  static TFormValue Int(int64_t v);
  static TFormValue Float(double v);
  static TFormValue String(std::string v);
  static TFormValue Ident(std::string v);
  static TFormValue Set(std::vector<std::string> elements);
  static TFormValue List();
  static TFormValue Binary(std::vector<uint8_t> bytes);
  static TFormValue Collection();
};

struct TFormProperty {
  std::string name;  // may be a path: Font.Name
  TFormValue value;
  int line = 0;
};

struct TFormItem {
  std::vector<TFormProperty> properties;
  int line = 0;
};

struct TFormObject {
  std::string keyword = "object";  // object, inherited or inline
  std::string name;                // may be empty
  std::string class_name;
  std::vector<TFormProperty> properties;
  std::vector<TFormObject> children;
  int line = 0;
};

// Objects and collections nest at most this deep.
constexpr int kMaxFormNesting = 64;

// EParserError (an EReadError) with the line for bad syntax.
TFormObject ParseFormText(std::string_view text);
// Two-space indentation, CR LF line ends, long strings split with '+'.
std::string FormatFormText(const TFormObject& object);

// Passed to TPersistent::DefineProperties by the reader and the writer.
class TFiler {
 public:
  virtual ~TFiler() = default;
  // A property filed as any value (a list, a string, ...). `has_data` decides
  // whether the writer writes it.
  virtual void DefineProperty(const std::string& name, std::function<void(const TFormValue&)> read,
                              std::function<TFormValue()> write, bool has_data) = 0;
  // A property filed as a hex block; the callbacks read or write the bytes.
  virtual void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                                    std::function<void(TStream&)> write, bool has_data) = 0;
};

}  // namespace vcl
