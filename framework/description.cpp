// Reader of stored form descriptions (GKeyFile text, see resources/FORMAT.md).
#include <gtk/gtk.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>

#include "framework/forms.h"

namespace fw {

const std::function<bool(TForm&, TComponent*)>* TFormClass::FindField(const std::string& n) const {
  auto it = fields_.find(n);
  return it == fields_.end() ? nullptr : &it->second;
}

TNotifyEvent TFormClass::BindNotify(TForm& f, const std::string& method) const {
  auto it = notify_.find(method);
  return it == notify_.end() ? TNotifyEvent{} : it->second(f);
}

TUDClickEvent TFormClass::BindUpDown(TForm& f, const std::string& method) const {
  auto it = updown_.find(method);
  return it == updown_.end() ? TUDClickEvent{} : it->second(f);
}

namespace {

// The message of a toolkit error, which it frees.
std::string TakeMessage(GError* err) {
  std::string m = err ? err->message : "unreadable";
  if (err) g_error_free(err);
  return m;
}

struct KeyFileDeleter {
  void operator()(GKeyFile* k) const { g_key_file_free(k); }
};

const std::map<std::string, TColor>& ColourNames() {
  static const std::map<std::string, TColor> m = [] {
    std::map<std::string, TColor> names;
    for (const auto& c : kColourNames) names[c.name] = c.value;
    return names;
  }();
  return m;
}

// Pictures shown by several images are loaded once. The cache owns one
// reference each, given back at program end.
struct PictureCache {
  std::map<std::string, GdkPixbuf*> pictures;
  PictureCache() = default;
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;
  ~PictureCache() {
    for (auto& entry : pictures) g_object_unref(entry.second);
  }
};

GdkPixbuf* LoadPicture(const std::string& path, std::string* error) {
  static PictureCache cache_owner;
  auto& cache = cache_owner.pictures;
  if (auto it = cache.find(path); it != cache.end()) return it->second;
  GError* err = nullptr;
  GdkPixbuf* p = gdk_pixbuf_new_from_resource(path.c_str(), &err);
  if (!p) {
    *error = TakeMessage(err);
    return nullptr;
  }
  cache[path] = p;
  return p;
}

// One group being read: the values of its keys, with errors naming them.
class GroupReader {
 public:
  GroupReader(GKeyFile* kf, std::string group) : kf_(kf), group_(std::move(group)) {}

  [[noreturn]] void Fail(const std::string& key, const std::string& reason) const {
    throw DescriptionError(group_ + "." + key + ": " + reason);
  }

  std::string Raw(const std::string& key) const {
    gchar* v = g_key_file_get_value(kf_, group_.c_str(), key.c_str(), nullptr);
    std::string s = v ? v : "";
    g_free(v);
    return s;
  }

  std::string String(const std::string& key) const {
    GError* err = nullptr;
    gchar* v = g_key_file_get_string(kf_, group_.c_str(), key.c_str(), &err);
    if (!v) Fail(key, "malformed text: " + TakeMessage(err));
    std::string s = v;
    g_free(v);
    return s;
  }

  std::vector<std::string> List(const std::string& key) const {
    GError* err = nullptr;
    gsize n = 0;
    gchar** v = g_key_file_get_string_list(kf_, group_.c_str(), key.c_str(), &n, &err);
    if (!v) Fail(key, "malformed list: " + TakeMessage(err));
    std::vector<std::string> out(v, v + n);
    g_strfreev(v);
    return out;
  }

  long long Integer(const std::string& key, long long lo, long long hi) const {
    std::string s = Raw(key);
    long long v = 0;
    const char* b = s.data();
    const char* e = s.data() + s.size();
    if (b != e && *b == '+') ++b;
    auto [p, ec] = std::from_chars(b, e, v);
    if (s.empty() || ec != std::errc() || p != e) Fail(key, "malformed number '" + s + "'");
    if (v < lo || v > hi) Fail(key, "number out of range '" + s + "'");
    return v;
  }

  int Int(const std::string& key) const {
    return static_cast<int>(Integer(key, INT32_MIN, INT32_MAX));
  }

  bool Bool(const std::string& key) const {
    std::string s = Raw(key);
    if (s == "true") return true;
    if (s == "false") return false;
    Fail(key, "malformed boolean '" + s + "'");
  }

  TColor Colour(const std::string& key) const {
    std::string s = Raw(key);
    auto& names = ColourNames();
    if (auto it = names.find(s); it != names.end()) return it->second;
    if (s.size() >= 2 && s.size() <= 9 && s[0] == '$') {
      TColor v = 0;
      auto [p, ec] = std::from_chars(s.data() + 1, s.data() + s.size(), v, 16);
      if (ec == std::errc() && p == s.data() + s.size()) return v;
      Fail(key, "malformed colour '" + s + "'");
    }
    Fail(key, "unknown colour '" + s + "'");
  }

  template <class E>
  E Enum(const std::string& key, std::initializer_list<std::pair<const char*, E>> values) const {
    std::string s = Raw(key);
    for (auto& [n, v] : values)
      if (s == n) return v;
    Fail(key, "unknown value '" + s + "'");
  }

  void Check(const std::string& key, std::initializer_list<const char*> values) const {
    std::string s = Raw(key);
    for (auto* n : values)
      if (s == n) return;
    Fail(key, "unknown value '" + s + "'");
  }

  TNotifyEvent Handler(const std::string& key, const TFormClass& cls, TForm& form) const {
    std::string m = Raw(key);
    if (!cls.HasNotify(m)) Fail(key, "unknown handler '" + m + "'");
    return cls.BindNotify(form, m);
  }

  std::vector<std::string> Keys() const {
    gsize n = 0;
    gchar** keys = g_key_file_get_keys(kf_, group_.c_str(), &n, nullptr);
    std::vector<std::string> out;
    if (keys) out.assign(keys, keys + n);
    g_strfreev(keys);
    return out;
  }

  const std::string& Group() const { return group_; }

 private:
  GKeyFile* kf_;
  std::string group_;
};

// Font keys, shared by the form and the components. False when not a font key.
bool ReadFontKey(const GroupReader& r, const std::string& key, TFont& font) {
  if (key == "Font.Color") {
    font.Color = r.Colour(key);
  } else if (key == "Font.Height") {
    font.Height = r.Int(key);
  } else if (key == "Font.Name") {
    font.Name = r.String(key);
  } else if (key == "Font.Style") {
    font.Bold = r.Enum<bool>(key, {{"", false}, {"fsBold", true}});
  } else if (key == "Font.Charset") {
    r.Check(key, {"ANSI_CHARSET", "DEFAULT_CHARSET"});
  } else if (key == "Font.Pitch") {
    r.Check(key, {"fpDefault", "fpVariable", "fpFixed"});
  } else {
    return false;
  }
  return true;
}

std::unique_ptr<TComponent> NewComponent(const std::string& cls, TForm* owner) {
  if (cls == "TLabel") return std::make_unique<TLabel>(owner);
  if (cls == "TImage") return std::make_unique<TImage>(owner);
  if (cls == "TButton") return std::make_unique<TButton>(owner);
  if (cls == "TCheckBox") return std::make_unique<TCheckBox>(owner);
  if (cls == "TRadioButton") return std::make_unique<TRadioButton>(owner);
  if (cls == "TMemo") return std::make_unique<TMemo>(owner);
  if (cls == "TGroupBox") return std::make_unique<TGroupBox>(owner);
  if (cls == "TUpDown") return std::make_unique<TUpDown>(owner);
  if (cls == "TTimer") return std::make_unique<TTimer>(owner);
  return nullptr;
}

// One stored property of a component; false when the class has no such key.
bool ReadComponentKey(const GroupReader& r, const std::string& key, TComponent* c,
                      const TFormClass& cls, TForm& form, bool& label_colour, bool& label_transparent) {
  if (auto* t = dynamic_cast<TTimer*>(c)) {
    if (key == "Enabled") t->LoadEnabled(r.Bool(key));
    else if (key == "Interval") t->LoadInterval(static_cast<unsigned>(r.Integer(key, 0, UINT32_MAX)));
    else if (key == "OnTimer") t->OnTimer = r.Handler(key, cls, form);
    else return false;
    return true;
  }
  auto* ctl = dynamic_cast<TControl*>(c);
  if (!ctl) return false;
  auto* label = dynamic_cast<TLabel*>(c);
  auto* check = dynamic_cast<TButtonControl*>(c);
  auto* memo = dynamic_cast<TMemo*>(c);
  auto* updown = dynamic_cast<TUpDown*>(c);
  auto* image = dynamic_cast<TImage*>(c);
  bool has_caption = label || check || dynamic_cast<TButton*>(c) || dynamic_cast<TGroupBox*>(c);

  if (key == "Left") ctl->SetBounds(r.Int(key), ctl->Top(), ctl->Width(), ctl->Height());
  else if (key == "Top") ctl->SetBounds(ctl->Left(), r.Int(key), ctl->Width(), ctl->Height());
  else if (key == "Width") ctl->SetBounds(ctl->Left(), ctl->Top(), r.Int(key), ctl->Height());
  else if (key == "Height") ctl->SetBounds(ctl->Left(), ctl->Top(), ctl->Width(), r.Int(key));
  else if (key == "Visible") ctl->LoadVisible(r.Bool(key));
  else if (key == "Hint") ctl->Hint = r.String(key);
  else if (key == "ShowHint") ctl->ShowHint = r.Bool(key);
  else if (key == "ParentShowHint") ctl->ParentShowHint = r.Bool(key);
  else if (key == "ParentColor" || key == "ParentFont") r.Bool(key);
  else if (key == "Cursor")
    ctl->Cursor = r.Enum<TCursor>(key, {{"crDefault", TCursor::crDefault}, {"crHandPoint", TCursor::crHandPoint}});
  else if (key == "TabOrder") ctl->TabOrder = r.Int(key);
  else if (key == "TabStop") ctl->TabStop = r.Bool(key);
  else if (key == "Caption" && has_caption) ctl->LoadCaption(r.String(key));
  else if (!updown && !image && ReadFontKey(r, key, ctl->LoadFont())) {}
  else if (key == "OnClick" && updown) {
    std::string m = r.Raw(key);
    if (!cls.HasUpDown(m)) r.Fail(key, "unknown handler '" + m + "'");
    updown->OnClick = cls.BindUpDown(form, m);
  } else if (key == "OnClick" && !dynamic_cast<TGroupBox*>(c)) ctl->OnClick = r.Handler(key, cls, form);
  else if (label && key == "Color") { label->LoadColor(r.Colour(key)); label_colour = true; }
  else if (label && key == "Transparent") { label->LoadTransparent(r.Bool(key)); label_transparent = true; }
  else if (label && key == "AutoSize") label->AutoSize = r.Bool(key);
  else if (check && key == "AutoSize") check->AutoSize = r.Bool(key);
  else if (label && key == "Alignment")
    label->Alignment = r.Enum<TAlignment>(key, {{"taLeftJustify", TAlignment::taLeftJustify},
                                                {"taRightJustify", TAlignment::taRightJustify},
                                                {"taCenter", TAlignment::taCenter}});
  else if (label && key == "Layout")
    label->Layout = r.Enum<TTextLayout>(key, {{"tlTop", TTextLayout::tlTop},
                                              {"tlCenter", TTextLayout::tlCenter},
                                              {"tlBottom", TTextLayout::tlBottom}});
  else if (image && key == "Picture") {
    std::string path = r.String(key), why;
    GdkPixbuf* p = LoadPicture(path, &why);
    if (!p) r.Fail(key, "cannot load '" + path + "': " + why);
    image->SetPicture(p);
  } else if (check && key == "Checked") check->LoadChecked(r.Bool(key));
  else if (check && key == "OnChange") check->OnChange = r.Handler(key, cls, form);
  else if (memo && key == "Lines") memo->Lines = r.List(key);
  else if (memo && key == "ReadOnly") memo->ReadOnly = r.Bool(key);
  else if (memo && key == "WordWrap") memo->WordWrap = r.Bool(key);
  else if (memo && key == "Color") memo->Color = r.Colour(key);
  else if (updown && key == "Min") updown->SetMin(static_cast<short>(r.Integer(key, -32768, 32767)));
  else if (updown && key == "Max") updown->SetMax(static_cast<short>(r.Integer(key, -32768, 32767)));
  else if (updown && key == "Position") updown->SetPosition(static_cast<short>(r.Integer(key, -32768, 32767)));
  else if (updown && key == "Wrap") updown->Wrap = r.Bool(key);
  else if (updown && key == "Increment") updown->Increment = r.Int(key);
  else if (updown && key == "Orientation")
    updown->Orientation = r.Enum<TUDOrientation>(key, {{"udVertical", TUDOrientation::udVertical},
                                                       {"udHorizontal", TUDOrientation::udHorizontal}});
  else return false;
  return true;
}

}  // namespace

void TForm::ReadDescription(const TFormClass& cls) {
  const std::string* data = FindResource(cls.Name(), "FORMDATA");
  if (!data) throw DescriptionError(cls.Name() + ": no description registered");
  std::unique_ptr<GKeyFile, KeyFileDeleter> kf(g_key_file_new());
  GError* err = nullptr;
  if (!g_key_file_load_from_data(kf.get(), data->data(), data->size(), G_KEY_FILE_NONE, &err))
    throw DescriptionError(cls.Name() + ": malformed description: " + TakeMessage(err));
  gsize ngroups = 0;
  gchar** groups = g_key_file_get_groups(kf.get(), &ngroups);
  std::vector<std::string> names(groups, groups + ngroups);
  g_strfreev(groups);
  if (names.empty()) throw DescriptionError(cls.Name() + ": empty description");

  // The form itself.
  {
    GroupReader r(kf.get(), names[0]);
    Name = names[0];
    if (r.Raw("Class") != cls.Name())
      r.Fail("Class", "form class '" + r.Raw("Class") + "' is not '" + cls.Name() + "'");
    for (const auto& key : r.Keys()) {
      if (key == "Class") continue;
      if (key == "Left") LoadPosition(r.Int(key), PositionTop());
      else if (key == "Top") LoadPosition(PositionLeft(), r.Int(key));
      else if (key == "Width" || key == "Height") r.Int(key);
      else if (key == "ClientWidth") client_width_ = r.Int(key);
      else if (key == "ClientHeight") client_height_ = r.Int(key);
      else if (key == "BorderStyle")
        BorderStyle = r.Enum<TBorderStyle>(key, {{"bsSizeable", TBorderStyle::bsSizeable},
                                                 {"bsDialog", TBorderStyle::bsDialog}});
      else if (key == "Caption") SetCaption(r.String(key));
      else if (key == "ShowHint") ShowHint = r.Bool(key);
      else if (key == "Visible") r.Bool(key);
      else if (key == "OnCreate") OnCreate = r.Handler(key, cls, *this);
      else if (key == "OnActivate") OnActivate = r.Handler(key, cls, *this);
      else if (key == "OnPaint") OnPaint = r.Handler(key, cls, *this);
      else if (key == "OnDestroy") OnDestroy = r.Handler(key, cls, *this);
      else if (!ReadFontKey(r, key, Font)) r.Fail(key, "unknown property");
    }
  }
  gtk_widget_set_size_request(canvas_widget_, client_width_, client_height_);
  if (BorderStyle == TBorderStyle::bsDialog) {
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    GdkGeometry g{};
    g.min_width = g.max_width = client_width_;
    g.min_height = g.max_height = client_height_;
    gtk_window_set_geometry_hints(GTK_WINDOW(window_), nullptr, &g,
                                  GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
  }

  for (std::size_t i = 1; i < names.size(); ++i) {
    GroupReader r(kf.get(), names[i]);
    std::string klass = r.Raw("Class");
    if (klass.empty()) r.Fail("Class", "missing");
    std::unique_ptr<TComponent> c = NewComponent(klass, this);
    if (!c) r.Fail("Class", "unknown class '" + klass + "'");
    c->Name = names[i];
    auto keys = r.Keys();
    auto* ctl = dynamic_cast<TControl*>(c.get());
    if (ctl) {
      // A control without a font of its own shows the form's.
      bool own_font = std::any_of(keys.begin(), keys.end(), [&](const std::string& k) {
        return k.rfind("Font.", 0) == 0 || (k == "ParentFont" && r.Raw(k) == "false");
      });
      if (!own_font) ctl->LoadFont() = Font;
    }
    bool label_colour = false, label_transparent = false;
    for (const auto& key : keys) {
      if (key == "Class") continue;
      if (!ReadComponentKey(r, key, c.get(), cls, *this, label_colour, label_transparent))
        r.Fail(key, "unknown property");
    }
    if (ctl && ctl->ParentShowHint) ctl->ShowHint = ShowHint;
    if (auto* l = dynamic_cast<TLabel*>(c.get()); l && label_colour && !label_transparent)
      l->LoadTransparent(l->Color() == clNone);
    const auto* field = cls.FindField(names[i]);
    if (!field) r.Fail("Class", "no published field '" + names[i] + "'");
    if (!(*field)(*this, c.get())) r.Fail("Class", "field '" + names[i] + "' is not a " + klass);
    components_.push_back(std::move(c));
    if (ctl) ctl->CreateHandle();
  }

  // Keyboard focus follows TabOrder, skipping controls without TabStop.
  std::vector<TWinControl*> tab;
  for (auto& c : components_)
    if (auto* w = dynamic_cast<TWinControl*>(c.get()); w && w->Widget() && w->TabStop) tab.push_back(w);
  std::stable_sort(tab.begin(), tab.end(),
                   [](TWinControl* a, TWinControl* b) { return a->TabOrder < b->TabOrder; });
  GList* chain = nullptr;
  for (auto* w : tab) chain = g_list_append(chain, w->Widget());
  gtk_container_set_focus_chain(GTK_CONTAINER(canvas_widget_), chain);
  g_list_free(chain);

  for (auto& c : components_)
    if (auto* t = dynamic_cast<TTimer*>(c.get())) t->Start();
  if (OnCreate) OnCreate(this);
}

}  // namespace fw
