// The compiled-in window description and pictures, read back as the
// framework reads them.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
    bool operator<(const Rgb& o) const {
        return std::tie(r, g, b) < std::tie(o.r, o.g, o.b);
    }
};

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> px;  // top row first
    Rgb at(int x, int y) const { return px[y * width + x]; }
};

Picture loadPicture(const char* path) {
    GError* err = nullptr;
    GdkPixbuf* pb = gdk_pixbuf_new_from_resource(path, &err);
    EXPECT_NE(pb, nullptr) << path << ": " << (err ? err->message : "");
    Picture p;
    if (!pb) {
        g_clear_error(&err);
        return p;
    }
    p.width = gdk_pixbuf_get_width(pb);
    p.height = gdk_pixbuf_get_height(pb);
    const int stride = gdk_pixbuf_get_rowstride(pb);
    const int n = gdk_pixbuf_get_n_channels(pb);
    const guchar* data = gdk_pixbuf_get_pixels(pb);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const guchar* q = data + y * stride + x * n;
            p.px.push_back({q[0], q[1], q[2]});
        }
    g_object_unref(pb);
    return p;
}

std::uint32_t le32(const guint8* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

// The file itself must be an uncompressed, bottom-up 24-bit bitmap.
TEST(Pictures, AreUncompressed24BitBitmaps) {
    struct Case { const char* path; int w, h; };
    for (const Case c : {Case{"/pyrovantika/tree.bmp", 106, 54},
                         Case{"/pyrovantika/shrub.bmp", 49, 28},
                         Case{"/pyrovantika/arrow_down.bmp", 20, 21},
                         Case{"/pyrovantika/arrow_up.bmp", 20, 21}}) {
        SCOPED_TRACE(c.path);
        GBytes* bytes = g_resources_lookup_data(c.path, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
        ASSERT_NE(bytes, nullptr);
        gsize size = 0;
        auto* d = static_cast<const guint8*>(g_bytes_get_data(bytes, &size));
        const std::uint32_t rowSize = (c.w * 3 + 3) / 4 * 4;
        ASSERT_GE(size, 54u);
        EXPECT_EQ(0, std::memcmp(d, "BM", 2));
        EXPECT_EQ(le32(d + 2), size);
        EXPECT_EQ(le32(d + 10), 54u);              // pixels right after the headers
        EXPECT_EQ(le32(d + 14), 40u);              // BITMAPINFOHEADER
        EXPECT_EQ(static_cast<std::int32_t>(le32(d + 18)), c.w);
        EXPECT_EQ(static_cast<std::int32_t>(le32(d + 22)), c.h);  // positive: bottom-up
        EXPECT_EQ(d[28] | d[29] << 8, 24);        // bits per pixel
        EXPECT_EQ(le32(d + 30), 0u);               // BI_RGB, uncompressed
        EXPECT_EQ(size, 54u + rowSize * c.h);
        g_bytes_unref(bytes);

        const Picture p = loadPicture(c.path);
        EXPECT_EQ(p.width, c.w);
        EXPECT_EQ(p.height, c.h);
    }
}

constexpr Rgb kGreen{0x20, 0x98, 0x00};
constexpr Rgb kDarkGreen{0x00, 0x40, 0x00};

TEST(Pictures, TreeAndShrubAreADarkCrownOnGreen) {
    for (const char* path : {"/pyrovantika/tree.bmp", "/pyrovantika/shrub.bmp"}) {
        SCOPED_TRACE(path);
        const Picture p = loadPicture(path);
        ASSERT_FALSE(p.px.empty());
        int dark = 0;
        for (const Rgb& c : p.px) {
            ASSERT_TRUE(c == kGreen || c == kDarkGreen)
                << int(c.r) << "," << int(c.g) << "," << int(c.b);
            dark += c == kDarkGreen;
        }
        const int total = p.width * p.height;
        EXPECT_GT(dark, total / 2);      // the crown fills most of it
        EXPECT_LT(dark, total * 9 / 10); // but is rounded, with background around
        const int w = p.width - 1, h = p.height - 1;
        for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}})
            EXPECT_EQ(p.at(x, y), kGreen) << "corner " << x << "," << y;
        EXPECT_EQ(p.at(p.width / 2, p.height / 2), kDarkGreen);
    }
}

// '.' background, 'g' $808080, 'd' $404040, 'w' white, 'B' blue, 'R' red.
const char* const kArrowDown[21] = {
    "....................", "....................", "....................",
    "....................", "....................", "....................",
    "....................", "....................", "....................",
    "gggggggggggggggggggg", "dddddddddddddddddddd", "wwwwwwwwwwwwwwwwwwww",
    "....................", "....................",
    "....BBBBBBBBBBB.....",
    ".....BBBBBBBBB......",
    "......BBBBBBB.......",
    ".......BBBBB........",
    "........BBB.........",
    ".........B..........",
    "....................",
};
const char* const kArrowUp[21] = {
    "....................", "....................",
    ".........R..........",
    "........RRR.........",
    ".......RRRRR........",
    "......RRRRRRR.......",
    ".....RRRRRRRRR......",
    "....RRRRRRRRRRR.....",
    "....................",
    "gggggggggggggggggggg", "dddddddddddddddddddd", "wwwwwwwwwwwwwwwwwwww",
    "....................", "....................", "....................",
    "....................", "....................", "....................",
    "....................", "....................", "....................",
};

TEST(Pictures, ArrowsMatchTheirDrawingPixelForPixel) {
    const std::map<char, Rgb> colour = {
        {'.', {0xD4, 0xD0, 0xC8}}, {'g', {0x80, 0x80, 0x80}}, {'d', {0x40, 0x40, 0x40}},
        {'w', {0xFF, 0xFF, 0xFF}}, {'B', {0x00, 0x00, 0xFF}}, {'R', {0xFF, 0x00, 0x00}}};
    struct Case { const char* path; const char* const* rows; };
    for (const Case c : {Case{"/pyrovantika/arrow_down.bmp", kArrowDown},
                         Case{"/pyrovantika/arrow_up.bmp", kArrowUp}}) {
        SCOPED_TRACE(c.path);
        const Picture p = loadPicture(c.path);
        ASSERT_EQ(p.width, 20);
        ASSERT_EQ(p.height, 21);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 20; ++x)
                EXPECT_EQ(p.at(x, y), colour.at(c.rows[y][x])) << "row " << y << " col " << x;
    }
}

struct KeyFileDeleter {
    void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

KeyFile loadDescription() {
    GBytes* bytes = g_resources_lookup_data("/pyrovantika/form1.desc",
                                            G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    EXPECT_NE(bytes, nullptr);
    KeyFile kf(g_key_file_new());
    if (!bytes) return kf;
    GError* err = nullptr;
    EXPECT_TRUE(g_key_file_load_from_bytes(kf.get(), bytes, G_KEY_FILE_NONE, &err))
        << (err ? err->message : "");
    g_clear_error(&err);
    g_bytes_unref(bytes);
    return kf;
}

std::string value(GKeyFile* kf, const char* group, const char* key) {
    gchar* s = g_key_file_get_string(kf, group, key, nullptr);
    std::string r = s ? s : "<missing>";
    g_free(s);
    return r;
}

std::vector<std::string> lines(GKeyFile* kf, const char* group) {
    gsize n = 0;
    gchar** list = g_key_file_get_string_list(kf, group, "Lines", &n, nullptr);
    std::vector<std::string> r(list, list + n);
    g_strfreev(list);
    return r;
}

TEST(Description, GroupsAreInCreationOrder) {
    const KeyFile kf = loadDescription();
    std::vector<std::string> expected = {"Form1", "Label18", "Label1", "Label3", "Label4"};
    for (int i = 5; i <= 17; ++i) expected.push_back("Label" + std::to_string(i));
    expected.insert(expected.end(), {"Label19", "Label20"});
    for (int i = 1; i <= 6; ++i) expected.push_back("Image" + std::to_string(i));
    expected.insert(expected.end(),
                    {"Label2", "Image7", "Label21", "Label22", "Label25", "Label26", "Image8",
                     "Image9", "Label27", "GroupBox1", "Button3", "Button4", "UpDown1",
                     "UpDown2", "UpDown3", "Button5", "RadioButton1", "RadioButton2",
                     "RadioButton3", "Memo1", "Memo2", "CheckBox1"});
    for (int i = 1; i <= 5; ++i) expected.push_back("Timer" + std::to_string(i));

    gsize n = 0;
    gchar** groups = g_key_file_get_groups(kf.get(), &n);
    EXPECT_EQ(std::vector<std::string>(groups, groups + n), expected);
    g_strfreev(groups);
    EXPECT_EQ(value(kf.get(), "Form1", "Class"), "TForm1");
}

TEST(Description, TrickyValuesSurviveTheKeyFileEscapes) {
    const KeyFile kf = loadDescription();
    struct Case { const char* group; const char* key; std::string want; };
    const Case cases[] = {
        {"Form1", "Caption", "PYROVANTIKA 3.1 Linux portable" + std::string(25, ' ')},
        {"Label3", "Caption", " 0,5 kW "},
        {"Label21", "Caption", "  FROSTGEFAHR ! "},
        {"GroupBox1", "Caption", "  Simulation "},
        {"Label10", "Caption", "Außen"},
        {"Label25", "Caption", "°C"},
        {"RadioButton1", "Caption", "ST&ART"},
        {"Label11", "Hint", "Maß für die Wärmedämmumg -> click!"},
        {"CheckBox1", "Hint", "Daten werden in \"tl.txt\" gespeichert."},
        {"Label27", "Left", "225"},
        {"UpDown3", "Top", "351"},
        {"Timer3", "OnTimer", "Aufbau"},
        {"Form1", "OnPaint", "Aufbau"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(value(kf.get(), c.group, c.key), c.want) << c.group << "." << c.key;
    EXPECT_EQ(value(kf.get(), "Form1", "Caption").size(), 55u);

    const auto memo1 = lines(kf.get(), "Memo1");
    ASSERT_EQ(memo1.size(), 5u);
    EXPECT_EQ(memo1[0], std::string(32, ' ') + "-  Notizblock  -");
    EXPECT_EQ(memo1[1], "");
    EXPECT_EQ(memo1[2], "");
    EXPECT_EQ(memo1[4], "deiner Versuche aufschreiben.");

    const auto memo2 = lines(kf.get(), "Memo2");
    ASSERT_EQ(memo2.size(), 12u);
    EXPECT_EQ(memo2[0], "Ein hoher U-Wert bedeutet große ");
    EXPECT_EQ(memo2[2], "");
    EXPECT_EQ(memo2[3], "Material                 U-Wert");
    EXPECT_EQ(memo2[4], std::string(31, '-'));
    EXPECT_EQ(memo2[5], "Einfachverglasung        5,8");
    EXPECT_EQ(memo2[11], "Wärmedämmung             0,4\t");
    // The values start in column 26 of the fixed-width face.
    for (auto [i, v] : {std::pair{3, "U-Wert"}, {5, "5,8"}, {6, "1,8"}, {8, "0,9"}, {9, "0,6"},
                        {11, "0,4"}})
        EXPECT_EQ(g_utf8_strlen(memo2[i].substr(0, memo2[i].find(v)).c_str(), -1), 25) << memo2[i];
}

}  // namespace
