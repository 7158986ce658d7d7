// Reading a stored description (framework internal). The reader hands each
// stored key of a component to the component's ReadProperty; each class
// keeps a table of the properties it adds (description.cpp), so a new
// property is one entry there.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "framework/types.h"

typedef struct _GKeyFile GKeyFile;
typedef struct _GdkPixbuf GdkPixbuf;

namespace fw {

class TForm;
class TFormClass;

// One group of the description (one component, or the form): its keys'
// values by type. A malformed value throws DescriptionError naming the
// group and the key.
class PropertyReader {
 public:
  PropertyReader(GKeyFile* file, std::string group, const TFormClass& cls, TForm& form)
      : file_(file), group_(std::move(group)), cls_(cls), form_(form) {}

  [[noreturn]] void Fail(const std::string& key, const std::string& reason) const;

  // The group's name: the component's, or the form's.
  const std::string& Group() const { return group_; }

  std::vector<std::string> Keys() const;
  bool Has(const std::string& key) const;
  std::string Raw(const std::string& key) const;  // as stored
  std::string String(const std::string& key) const;
  std::vector<std::string> List(const std::string& key) const;
  long long Integer(const std::string& key, long long lo, long long hi) const;
  int Int(const std::string& key) const;
  short Short(const std::string& key) const;
  bool Bool(const std::string& key) const;
  TColor Colour(const std::string& key) const;
  // A name among the given ones.
  template <class E>
  E Enum(const std::string& key, std::initializer_list<std::pair<const char*, E>> values) const {
    const std::string s = Raw(key);
    for (auto& [n, v] : values)
      if (s == n) return v;
    Fail(key, "unknown value '" + s + "'");
  }
  // The form's method of the stored name.
  TNotifyEvent Handler(const std::string& key) const;
  TUDClickEvent UpDownHandler(const std::string& key) const;
  // The stored picture; the reader keeps a reference to each, shared.
  GdkPixbuf* Picture(const std::string& key) const;

 private:
  // The stored method name of key; known says whether the form has it.
  std::string Method(const std::string& key, bool known) const;
  GKeyFile* file_;
  std::string group_;
  const TFormClass& cls_;
  TForm& form_;
};

}  // namespace fw
