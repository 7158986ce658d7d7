// Reader of stored form descriptions (GKeyFile text, see resources/FORMAT.md),
// and the named resources it reads them from.
#include <gtk/gtk.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "framework/description.h"
#include "framework/native.h"
#include "framework/resources.h"
#include "framework/toolkit.h"

namespace fw {

// ---- named resources

namespace {

std::map<std::pair<std::string, std::string>, std::string>& Resources() {
  static std::map<std::pair<std::string, std::string>, std::string> r;
  return r;
}

}  // namespace

void RegisterResource(const std::string& name, const std::string& type,
                      std::initializer_list<std::string_view> pieces) {
  std::string data;
  for (auto p : pieces) data.append(p);
  Resources()[{name, type}] = std::move(data);
}

bool RegisterCompiledResource(const std::string& name, const std::string& type,
                              const std::string& path) {
  GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!bytes) return false;
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  RegisterResource(name, type, {std::string_view(data, size)});
  g_bytes_unref(bytes);
  return true;
}

const std::string* FindResource(const std::string& name, const std::string& type) {
  auto& r = Resources();
  auto it = r.find({name, type});
  return it == r.end() ? nullptr : &it->second;
}

// ---- the form class's tables

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

// The colours by the names a stored description gives them.
const std::map<std::string, TColor>& ColourNames() {
  static const std::map<std::string, TColor> names = {
      {"clBlack", clBlack},   {"clWhite", clWhite},         {"clRed", clRed},
      {"clBlue", clBlue},     {"clYellow", clYellow},       {"clFuchsia", clFuchsia},
      {"clAqua", clAqua},     {"clGray", clGray},           {"clLime", clLime},
      {"clNavy", clNavy},     {"clMaroon", clMaroon},       {"clTeal", clTeal},
      {"clNone", clNone},     {"clBtnFace", clBtnFace},     {"cl3DLight", cl3DLight},
      {"clWindowText", clWindowText}};
  return names;
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

// A class's own properties: how each stored key is read into it.
template <class C>
using Properties =
    std::map<std::string, std::function<void(const PropertyReader&, const std::string&, C&)>>;

// A property that is a plain field, read by one of the reader's typed reads.
template <class C, class V>
auto Into(V C::*field, V (PropertyReader::*read)(const std::string&) const) {
  return [field, read](const PropertyReader& r, const std::string& k, C& c) { c.*field = (r.*read)(k); };
}

template <class C>
bool Read(const Properties<C>& table, const PropertyReader& r, const std::string& key, C& c) {
  const auto it = table.find(key);
  if (it == table.end()) return false;
  it->second(r, key, c);
  return true;
}

// Font keys, of the form and of the controls that show a text.
bool ReadFont(const PropertyReader& r, const std::string& key, TFont& font) {
  static const Properties<TFont> table = {
      {"Font.Color", Into(&TFont::Color, &PropertyReader::Colour)},
      {"Font.Height", Into(&TFont::Height, &PropertyReader::Int)},
      {"Font.Name", Into(&TFont::Name, &PropertyReader::String)},
      {"Font.Style", [](auto& r, auto& k, TFont& f) { f.Bold = r.Enum(k, {std::pair{"", false}, {"fsBold", true}}); }},
      {"Font.Charset", [](auto& r, auto& k, TFont&) { r.Enum(k, {std::pair{"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}}); }},
      {"Font.Pitch", [](auto& r, auto& k, TFont&) {
         r.Enum(k, {std::pair{"fpDefault", 0}, {"fpVariable", 1}, {"fpFixed", 2}});
       }},
  };
  return Read(table, r, key, font);
}

}  // namespace

// ---- the reader of one group

void PropertyReader::Fail(const std::string& key, const std::string& reason) const {
  throw DescriptionError(group_ + "." + key + ": " + reason);
}

std::vector<std::string> PropertyReader::Keys() const {
  gsize n = 0;
  gchar** keys = g_key_file_get_keys(file_, group_.c_str(), &n, nullptr);
  std::vector<std::string> out;
  if (keys) out.assign(keys, keys + n);
  g_strfreev(keys);
  return out;
}

bool PropertyReader::Has(const std::string& key) const {
  return g_key_file_has_key(file_, group_.c_str(), key.c_str(), nullptr);
}

std::string PropertyReader::Raw(const std::string& key) const {
  gchar* v = g_key_file_get_value(file_, group_.c_str(), key.c_str(), nullptr);
  std::string s = v ? v : "";
  g_free(v);
  return s;
}

std::string PropertyReader::String(const std::string& key) const {
  GError* err = nullptr;
  gchar* v = g_key_file_get_string(file_, group_.c_str(), key.c_str(), &err);
  if (!v) Fail(key, "malformed text: " + TakeMessage(err));
  std::string s = v;
  g_free(v);
  return s;
}

std::vector<std::string> PropertyReader::List(const std::string& key) const {
  GError* err = nullptr;
  gsize n = 0;
  gchar** v = g_key_file_get_string_list(file_, group_.c_str(), key.c_str(), &n, &err);
  if (!v) Fail(key, "malformed list: " + TakeMessage(err));
  std::vector<std::string> out(v, v + n);
  g_strfreev(v);
  return out;
}

long long PropertyReader::Integer(const std::string& key, long long lo, long long hi) const {
  const std::string s = Raw(key);
  long long v = 0;
  const char* b = s.data();
  const char* e = s.data() + s.size();
  if (b != e && *b == '+') ++b;
  auto [p, ec] = std::from_chars(b, e, v);
  if (s.empty() || ec != std::errc() || p != e) Fail(key, "malformed number '" + s + "'");
  if (v < lo || v > hi) Fail(key, "number out of range '" + s + "'");
  return v;
}

int PropertyReader::Int(const std::string& key) const {
  return static_cast<int>(Integer(key, INT32_MIN, INT32_MAX));
}

short PropertyReader::Short(const std::string& key) const {
  return static_cast<short>(Integer(key, INT16_MIN, INT16_MAX));
}

bool PropertyReader::Bool(const std::string& key) const {
  const std::string s = Raw(key);
  if (s == "true") return true;
  if (s == "false") return false;
  Fail(key, "malformed boolean '" + s + "'");
}

TColor PropertyReader::Colour(const std::string& key) const {
  const std::string s = Raw(key);
  const auto& names = ColourNames();
  if (auto it = names.find(s); it != names.end()) return it->second;
  if (s.size() >= 2 && s.size() <= 9 && s[0] == '$') {
    TColor v = 0;
    auto [p, ec] = std::from_chars(s.data() + 1, s.data() + s.size(), v, 16);
    if (ec == std::errc() && p == s.data() + s.size()) return v;
    Fail(key, "malformed colour '" + s + "'");
  }
  Fail(key, "unknown colour '" + s + "'");
}

std::string PropertyReader::Method(const std::string& key, bool known) const {
  const std::string m = Raw(key);
  if (!known) Fail(key, "unknown handler '" + m + "'");
  return m;
}

TNotifyEvent PropertyReader::Handler(const std::string& key) const {
  return cls_.BindNotify(form_, Method(key, cls_.HasNotify(Raw(key))));
}

TUDClickEvent PropertyReader::UpDownHandler(const std::string& key) const {
  return cls_.BindUpDown(form_, Method(key, cls_.HasUpDown(Raw(key))));
}

GdkPixbuf* PropertyReader::Picture(const std::string& key) const {
  const std::string path = String(key);
  std::string why;
  GdkPixbuf* p = LoadPicture(path, &why);
  if (!p) Fail(key, "cannot load '" + path + "': " + why);
  return p;
}

// ---- each class's properties

bool TComponent::ReadProperty(const PropertyReader&, const std::string&) { return false; }
void TComponent::PropertiesRead(const PropertyReader&) {}

bool TControl::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TControl> table = {
      {"Left", Into(&TControl::left_, &PropertyReader::Int)},
      {"Top", Into(&TControl::top_, &PropertyReader::Int)},
      {"Width", Into(&TControl::width_, &PropertyReader::Int)},
      {"Height", Into(&TControl::height_, &PropertyReader::Int)},
      {"Visible", Into(&TControl::visible_, &PropertyReader::Bool)},
      {"Hint", Into(&TControl::Hint, &PropertyReader::String)},
      {"ShowHint", Into(&TControl::ShowHint, &PropertyReader::Bool)},
      {"ParentShowHint", Into(&TControl::ParentShowHint, &PropertyReader::Bool)},
      {"ParentColor", [](auto& r, auto& k, TControl&) { r.Bool(k); }},
      {"ParentFont", [](auto& r, auto& k, TControl&) { r.Bool(k); }},  // see PropertiesRead
      {"Cursor", [](auto& r, auto& k, TControl& c) {
         c.Cursor = r.Enum(k, {std::pair{"crDefault", TCursor::crDefault},
                               {"crHandPoint", TCursor::crHandPoint}});
       }},
      {"TabOrder", Into(&TControl::TabOrder, &PropertyReader::Int)},
      {"TabStop", Into(&TControl::TabStop, &PropertyReader::Bool)},
      {"OnClick", Into(&TControl::OnClick, &PropertyReader::Handler)},
  };
  return Read(table, r, key, *this);
}

void TControl::PropertiesRead(const PropertyReader& r) {
  // A control without a font of its own shows the form's.
  const auto keys = r.Keys();
  const bool own_font = std::any_of(keys.begin(), keys.end(), [&](const std::string& k) {
    return k.rfind("Font.", 0) == 0 || (k == "ParentFont" && !r.Bool(k));
  });
  if (!own_font && Owner()) font_ = Owner()->Font;
  if (ParentShowHint && Owner()) ShowHint = Owner()->ShowHint;
}

bool TControl::ReadTextProperty(const PropertyReader& r, const std::string& key) {
  if (key == "Caption") {
    caption_ = r.String(key);
    return true;
  }
  return ReadFont(r, key, font_);
}

bool TLabel::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TLabel> table = {
      {"Color", Into(&TLabel::color_, &PropertyReader::Colour)},
      {"Transparent", Into(&TLabel::transparent_, &PropertyReader::Bool)},
      {"AutoSize", Into(&TLabel::AutoSize, &PropertyReader::Bool)},
      {"Alignment", [](auto& r, auto& k, TLabel& l) {
         l.Alignment = r.Enum(k, {std::pair{"taLeftJustify", TAlignment::taLeftJustify},
                                  {"taRightJustify", TAlignment::taRightJustify},
                                  {"taCenter", TAlignment::taCenter}});
       }},
      {"Layout", [](auto& r, auto& k, TLabel& l) {
         l.Layout = r.Enum(k, {std::pair{"tlTop", TTextLayout::tlTop},
                               {"tlCenter", TTextLayout::tlCenter},
                               {"tlBottom", TTextLayout::tlBottom}});
       }},
  };
  return Read(table, r, key, *this) || ReadTextProperty(r, key) ||
         TGraphicControl::ReadProperty(r, key);
}

void TLabel::PropertiesRead(const PropertyReader& r) {
  TGraphicControl::PropertiesRead(r);
  // A stored colour makes the label opaque, unless it says otherwise.
  if (r.Has("Color") && !r.Has("Transparent")) transparent_ = color_ == clNone;
}

bool TImage::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TImage> table = {
      {"Picture", [](auto& r, auto& k, TImage& i) { SetPicture(i, r.Picture(k)); }},
  };
  return Read(table, r, key, *this) || TGraphicControl::ReadProperty(r, key);
}

bool TButton::ReadProperty(const PropertyReader& r, const std::string& key) {
  return ReadTextProperty(r, key) || TWinControl::ReadProperty(r, key);
}

bool TButtonControl::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TButtonControl> table = {
      {"Checked", [](auto& r, auto& k, TButtonControl& b) { b.checked_ = b.reported_ = r.Bool(k); }},
      {"OnChange", Into(&TButtonControl::OnChange, &PropertyReader::Handler)},
      {"AutoSize", Into(&TButtonControl::AutoSize, &PropertyReader::Bool)},
  };
  return Read(table, r, key, *this) || ReadTextProperty(r, key) ||
         TWinControl::ReadProperty(r, key);
}

bool TMemo::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TMemo> table = {
      {"Lines", Into(&TMemo::Lines, &PropertyReader::List)},
      {"ReadOnly", Into(&TMemo::ReadOnly, &PropertyReader::Bool)},
      {"WordWrap", Into(&TMemo::WordWrap, &PropertyReader::Bool)},
      {"Color", Into(&TMemo::Color, &PropertyReader::Colour)},
  };
  return Read(table, r, key, *this) || ReadFont(r, key, font_) ||
         TWinControl::ReadProperty(r, key);
}

bool TGroupBox::ReadProperty(const PropertyReader& r, const std::string& key) {
  if (key == "OnClick") return false;  // a frame takes no clicks
  return ReadTextProperty(r, key) || TWinControl::ReadProperty(r, key);
}

bool TUpDown::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TUpDown> table = {
      {"Min", [](auto& r, auto& k, TUpDown& u) { u.SetMin(r.Short(k)); }},
      {"Max", [](auto& r, auto& k, TUpDown& u) { u.SetMax(r.Short(k)); }},
      {"Position", [](auto& r, auto& k, TUpDown& u) { u.SetPosition(r.Short(k)); }},
      {"Wrap", Into(&TUpDown::Wrap, &PropertyReader::Bool)},
      {"Increment", Into(&TUpDown::Increment, &PropertyReader::Int)},
      {"Orientation", [](auto& r, auto& k, TUpDown& u) {
         u.Orientation = r.Enum(k, {std::pair{"udVertical", TUDOrientation::udVertical},
                                    {"udHorizontal", TUDOrientation::udHorizontal}});
       }},
      {"OnClick", Into(&TUpDown::OnClick, &PropertyReader::UpDownHandler)},
  };
  return Read(table, r, key, *this) || TWinControl::ReadProperty(r, key);
}

bool TTimer::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TTimer> table = {
      {"Enabled", Into(&TTimer::enabled_, &PropertyReader::Bool)},
      {"Interval", [](auto& r, auto& k, TTimer& t) {
         t.interval_ = static_cast<unsigned>(r.Integer(k, 0, UINT32_MAX));
       }},
      {"OnTimer", Into(&TTimer::OnTimer, &PropertyReader::Handler)},
  };
  return Read(table, r, key, *this);
}

bool TForm::ReadProperty(const PropertyReader& r, const std::string& key) {
  static const Properties<TForm> table = {
      {"Left", [](auto& r, auto& k, TForm& f) { f.native().LoadPosition(r.Int(k), f.native().top); }},
      {"Top", [](auto& r, auto& k, TForm& f) { f.native().LoadPosition(f.native().left, r.Int(k)); }},
      {"Width", [](auto& r, auto& k, TForm&) { r.Int(k); }},  // the client size counts
      {"Height", [](auto& r, auto& k, TForm&) { r.Int(k); }},
      {"ClientWidth", Into(&TForm::client_width_, &PropertyReader::Int)},
      {"ClientHeight", Into(&TForm::client_height_, &PropertyReader::Int)},
      {"BorderStyle", [](auto& r, auto& k, TForm& f) {
         f.BorderStyle = r.Enum(k, {std::pair{"bsSizeable", TBorderStyle::bsSizeable},
                                    {"bsDialog", TBorderStyle::bsDialog}});
       }},
      {"Caption", [](auto& r, auto& k, TForm& f) { f.SetCaption(r.String(k)); }},
      {"ShowHint", Into(&TForm::ShowHint, &PropertyReader::Bool)},
      {"Visible", [](auto& r, auto& k, TForm&) { r.Bool(k); }},  // shown by Run
      {"OnCreate", Into(&TForm::OnCreate, &PropertyReader::Handler)},
      {"OnActivate", Into(&TForm::OnActivate, &PropertyReader::Handler)},
      {"OnPaint", Into(&TForm::OnPaint, &PropertyReader::Handler)},
      {"OnDestroy", Into(&TForm::OnDestroy, &PropertyReader::Handler)},
  };
  return Read(table, r, key, *this) || ReadFont(r, key, Font);
}

namespace {

using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// The description registered for the class, parsed; its groups in order,
// the form's first.
KeyFile LoadDescription(const TFormClass& cls, std::vector<std::string>* groups) {
  const std::string* data = FindResource(cls.Name(), "FORMDATA");
  if (!data) throw DescriptionError(cls.Name() + ": no description registered");
  KeyFile kf(g_key_file_new());
  GError* err = nullptr;
  if (!g_key_file_load_from_data(kf.get(), data->data(), data->size(), G_KEY_FILE_NONE, &err))
    throw DescriptionError(cls.Name() + ": malformed description: " + TakeMessage(err));
  gsize n = 0;
  gchar** names = g_key_file_get_groups(kf.get(), &n);
  groups->assign(names, names + n);
  g_strfreev(names);
  if (groups->empty()) throw DescriptionError(cls.Name() + ": empty description");
  return kf;
}

// Every stored key of a group goes to the component's ReadProperty; one that
// no class of it knows stops the start.
void ReadGroup(const PropertyReader& r, TComponent& c) {
  for (const auto& key : r.Keys())
    if (key != "Class" && !c.ReadProperty(r, key)) r.Fail(key, "unknown property");
  c.PropertiesRead(r);
}

// The client size, and for a fixed border the size hints that keep it.
void ApplyGeometry(TForm& f) {
  GtkWidget* window = WindowOf(f);
  gtk_widget_set_size_request(CanvasOf(f), f.ClientWidth(), f.ClientHeight());
  if (f.BorderStyle != TBorderStyle::bsDialog) return;
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  GdkGeometry g{};
  g.min_width = g.max_width = f.ClientWidth();
  g.min_height = g.max_height = f.ClientHeight();
  gtk_window_set_geometry_hints(GTK_WINDOW(window), nullptr, &g,
                                GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
}

// Keyboard focus follows TabOrder, skipping controls without TabStop. They
// stay in the chain and refuse every move, so that Tab from one of them
// (a click focuses it) goes on from its place in the order.
void SetFocusChain(TForm& f) {
  std::vector<TWinControl*> tab;
  for (auto& c : f.Components())
    if (auto* w = dynamic_cast<TWinControl*>(c.get()); w && WidgetOf(*w)) tab.push_back(w);
  std::stable_sort(tab.begin(), tab.end(),
                   [](TWinControl* a, TWinControl* b) { return a->TabOrder < b->TabOrder; });
  GList* chain = nullptr;
  for (auto* w : tab) {
    chain = g_list_append(chain, WidgetOf(*w));
    if (!w->TabStop)
      toolkit::OnFocus(WidgetOf(*w), [](GtkDirectionType) { return toolkit::FocusMove::kRefused; });
  }
  gtk_container_set_focus_chain(GTK_CONTAINER(CanvasOf(f)), chain);
  g_list_free(chain);
}

}  // namespace

void TForm::ReadDescription(const TFormClass& cls) {
  std::vector<std::string> groups;
  const KeyFile kf = LoadDescription(cls, &groups);
  ReadForm(PropertyReader(kf.get(), groups[0], cls, *this), cls);
  ApplyGeometry(*this);
  for (std::size_t i = 1; i < groups.size(); ++i)
    CreateComponent(PropertyReader(kf.get(), groups[i], cls, *this), cls, groups[i]);
  SetFocusChain(*this);
  for (auto& c : components_)
    if (auto* t = dynamic_cast<TTimer*>(c.get())) t->Start();
  if (OnCreate) OnCreate(this);
}

void TForm::ReadForm(const PropertyReader& r, const TFormClass& cls) {
  Name = r.Group();
  if (r.Raw("Class") != cls.Name())
    r.Fail("Class", "form class '" + r.Raw("Class") + "' is not '" + cls.Name() + "'");
  ReadGroup(r, *this);
}

void TForm::CreateComponent(const PropertyReader& r, const TFormClass& cls,
                            const std::string& name) {
  const std::string klass = r.Raw("Class");
  if (klass.empty()) r.Fail("Class", "missing");
  std::unique_ptr<TComponent> c = NewComponent(klass, this);
  if (!c) r.Fail("Class", "unknown class '" + klass + "'");
  c->Name = name;
  ReadGroup(r, *c);
  const auto* field = cls.FindField(name);
  if (!field) r.Fail("Class", "no published field '" + name + "'");
  if (!(*field)(*this, c.get())) r.Fail("Class", "field '" + name + "' is not a " + klass);
  components_.push_back(std::move(c));
  if (auto* ctl = dynamic_cast<TControl*>(components_.back().get())) ctl->CreateHandle();
}

}  // namespace fw
