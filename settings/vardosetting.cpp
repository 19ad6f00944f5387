// Defaults, loading and saving of the settings store, and the locked copy
// of its values.
#include "settings/vardosetting.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/profile.h"

CVardoSetting* g_pSetting = nullptr;
const char* const VARDO_INI_FILE = "./vardo.ini";

namespace {

const char* const kFile = VARDO_INI_FILE;

// Fetches the text of a key into buf (empty when missing).
int Fetch(const char* section, const char* key, char* buf, int size) {
    return VdProfile::GetString(section, key, "", buf, size, kFile);
}

// The one-number readers: a key whose text is empty or does not scan keeps
// the current value. Read buffers are 32 characters.
template <typename T>
T ScanNumber(const char* section, const char* key, const char* format, T current) {
    char buf[32];
    if (Fetch(section, key, buf, sizeof buf) > 0) {
        T v{};
        if (std::sscanf(buf, format, &v) == 1) {
            return v;
        }
    }
    return current;
}

int32_t ReadHex(const char* section, const char* key, int32_t current) {
    return static_cast<int32_t>(ScanNumber<unsigned int>(section, key, "%8X", static_cast<unsigned int>(current)));
}

int32_t ReadInt(const char* section, const char* key, int32_t current) {
    return ScanNumber<int>(section, key, "%d", current);
}

double ReadDouble(const char* section, const char* key, double current) {
    return ScanNumber<double>(section, key, "%lf", current);
}

// Fields that do not scan keep their value: the scan fills a copy that
// starts as the current value.
void ReadRect(const char* section, const char* key, VdRect* r) {
    char buf[64];
    if (Fetch(section, key, buf, sizeof buf) > 0) {
        VdRect v = *r;
        std::sscanf(buf, "%d,%d,%d,%d", &v.left, &v.top, &v.right, &v.bottom);
        *r = v;
    }
}

void ReadPoint(const char* section, const char* key, VdPoint* p) {
    char buf[64];
    if (Fetch(section, key, buf, sizeof buf) > 0) {
        VdPoint v = *p;
        std::sscanf(buf, "%d,%d", &v.x, &v.y);
        *p = v;
    }
}

// The caption is one blank-free word cut to its field.
void ReadButton(const char* section, const char* key, tagPanelButton* b) {
    char buf[64];
    if (Fetch(section, key, buf, sizeof buf) > 0) {
        tagPanelButton v = *b;
        unsigned int vkey = static_cast<unsigned int>(v.key);
        char caption[PANEL_CAPTION_SIZE];
        const int n = std::sscanf(buf, "%d,%d,%d,%d,%4X,%31s", &v.x, &v.y, &v.width, &v.height,
                                  &vkey, caption);
        // "%4X" also takes a sign ("-1" gives 0xFFFFFFFF); the key is kept
        // to the four digits the file holds, so that it is saved as it loads.
        if (n >= 5) {
            v.key = static_cast<int32_t>(vkey & 0xFFFFu);
        }
        if (n >= 6) {
            std::memcpy(v.caption, caption, sizeof caption);
        }
        *b = v;
    }
}

void ReadMorse(tagMorseCode* c) {
    char key[2] = {static_cast<char>(c->nChar & 0xFF), '\0'};
    char buf[64];
    if (Fetch("MORSE", key, buf, sizeof buf) > 0) {
        unsigned int f[3] = {static_cast<unsigned int>(c->nCode), static_cast<unsigned int>(c->nMask),
                             static_cast<unsigned int>(c->nVKey)};
        std::sscanf(buf, "%8X,%8X,%4X", &f[0], &f[1], &f[2]);
        c->nCode = static_cast<int32_t>(f[0]);
        c->nMask = static_cast<int32_t>(f[1]);
        c->nVKey = static_cast<int32_t>(f[2] & 0xFFFFu);
    }
}

// host<n> is "address:port"; an entry without a colon or with an empty
// address or port is skipped. Each part is its first blank-free word, cut
// to its field.
bool ReadHost(int n, tagHostNode* h) {
    char key[24];
    std::snprintf(key, sizeof key, "host%d", n);
    char buf[64];
    if (Fetch("NETWORK", key, buf, sizeof buf) == 0) {
        return false;
    }
    char* colon = std::strchr(buf, ':');
    if (colon == nullptr) {
        return false;
    }
    *colon = '\0';
    std::memset(h, 0, sizeof *h);
    if (std::sscanf(buf, "%59s", h->host) != 1 || std::sscanf(colon + 1, "%7s", h->port) != 1) {
        return false;
    }
    return true;
}

void Write(const char* file, const char* section, const char* key, const char* value) {
    VdProfile::WriteString(section, key, value, file);
}

void WriteHex(const char* file, const char* section, const char* key, uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%8.8X", static_cast<unsigned int>(v));
    Write(file, section, key, buf);
}

void WriteInt(const char* file, const char* section, const char* key, int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
    Write(file, section, key, buf);
}

// "%f" of a large double has over 300 digits.
void WriteDouble(const char* file, const char* section, const char* key, double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%f", v);
    Write(file, section, key, buf);
}

void WriteRect(const char* file, const char* section, const char* key, const VdRect& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", static_cast<int>(r.left), static_cast<int>(r.top),
                  static_cast<int>(r.right), static_cast<int>(r.bottom));
    Write(file, section, key, buf);
}

void WritePoint(const char* file, const char* section, const char* key, const VdPoint& p) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d,%d", static_cast<int>(p.x), static_cast<int>(p.y));
    Write(file, section, key, buf);
}

// Text fields are written only up to their size, terminated or not.
void WriteButton(const char* file, const char* section, const char* key, const tagPanelButton& b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%4.4X,%.*s", static_cast<int>(b.x),
                  static_cast<int>(b.y), static_cast<int>(b.width), static_cast<int>(b.height),
                  static_cast<unsigned int>(b.key), PANEL_CAPTION_SIZE - 1, b.caption);
    Write(file, section, key, buf);
}

void WriteMorse(const char* file, const tagMorseCode& c) {
    char key[2] = {static_cast<char>(c.nChar & 0xFF), '\0'};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%8.8X,%8.8X,%4.4X", static_cast<unsigned int>(c.nCode),
                  static_cast<unsigned int>(c.nMask), static_cast<unsigned int>(c.nVKey));
    Write(file, "MORSE", key, buf);
}

void SetButton(tagPanelButton* b, int32_t x, int32_t y, int32_t w, int32_t h, int32_t key,
               const char* caption) {
    std::memset(b, 0, sizeof *b);
    b->x = x;
    b->y = y;
    b->width = w;
    b->height = h;
    b->key = key;
    std::snprintf(b->caption, sizeof b->caption, "%s", caption);
}

}  // namespace

void SetDefaultSettingValues(SettingValues* v) {
    std::memset(v, 0, sizeof *v);
    v->beepfreq = 1000.0;
    v->beepvol = 0.25;
    v->shorthit = 80;
    v->longhit = 240;
    v->hitdelay = 80;
    v->letterdelay = 240;
    v->worddelay = 240;
    v->effectivewpm = 0;
    v->windowrect = VdRect{0, 0, 360, 480};
    v->sendperiod = 27;
    v->sendidlelimit = 750;
    v->sendrect = VdRect{5, 160, 348, 192};
    v->sendlabeloffset = VdPoint{0, -56};
    v->sendqueuerect = VdRect{5, 192, 348, 203};
    v->recvperiod = 27;
    v->recvidlelimit = 750;
    v->recvrect = VdRect{5, 64, 348, 96};
    v->recvlabeloffset = VdPoint{0, -56};
    v->recvmrect = VdRect{50, 10, 306, 58};
    v->recvanalyzesamples = 512;
    v->recvthreshold = 0.3;
    v->recvfreqstart = 850;
    v->recvfreqend = 1250;
    v->recvadaptive = 1;
    v->recvlog = 0;
    v->recvsearchstart = 200;
    v->recvsearchend = 3000;
    SetButton(&v->cw, 280, 220, 64, 64, 0x000D, "CW");
    SetButton(&v->sendpause, 50, 104, 50, 12, 0x0074, "Pause");
    SetButton(&v->sendfile, 108, 104, 50, 12, 0x0075, "File...");
    SetButton(&v->autokeyswitch, 166, 104, 50, 12, 0x0009, "Manual");
    v->charlist[0] = '\0';
    v->koch_wordlen = 5;
    v->koch_weighted = 0;
    v->kochsidetoneonly = 1;
    FillDefaultMorseTable(v->morseTable);
    v->enableextport = 0;
    v->extportaddr = 0x378;
    v->openbyte = 0xFF;
    v->closebyte = 0x00;
    v->serialkey = 0;
    v->serialport = 1;
    v->serialline = 0;
    v->serialinvert = 0;
    v->serialptt = 0;
    v->pttlead = 50;
    v->ptttail = 300;
    v->pttinvert = 0;
    v->localport = 3010;
    v->nwenabled = 1;
}

CVardoSetting::CVardoSetting() {
    SetDefaultSettingValues(this);
    Load();
}

CVardoSetting::~CVardoSetting() {
    Save();
}

int CVardoSetting::Load() {
    beepfreq = ReadDouble("CW", "beepfreq", beepfreq);
    beepvol = ReadDouble("CW", "beepvol", beepvol);
    shorthit = ReadInt("CW", "shorthit", shorthit);
    longhit = ReadInt("CW", "longhit", longhit);
    hitdelay = ReadInt("CW", "hitdelay", hitdelay);
    letterdelay = ReadInt("CW", "letterdelay", letterdelay);
    worddelay = ReadInt("CW", "worddelay", worddelay);
    effectivewpm = ReadInt("CW", "effectivewpm", effectivewpm);
    edgems = ReadInt("CW", "edgems", edgems);

    ReadRect("GLOBAL", "windowrect", &windowrect);

    sendperiod = ReadInt("JOURNAL", "sendperiod", sendperiod);
    sendidlelimit = ReadInt("JOURNAL", "sendidlelimit", sendidlelimit);
    ReadRect("JOURNAL", "sendrect", &sendrect);
    ReadRect("JOURNAL", "sendqueuerect", &sendqueuerect);
    ReadPoint("JOURNAL", "sendlabeloffset", &sendlabeloffset);
    recvperiod = ReadInt("JOURNAL", "recvperiod", recvperiod);
    recvidlelimit = ReadInt("JOURNAL", "recvidlelimit", recvidlelimit);
    ReadRect("JOURNAL", "recvrect", &recvrect);
    ReadPoint("JOURNAL", "recvlabeloffset", &recvlabeloffset);
    ReadRect("JOURNAL", "recvmrect", &recvmrect);
    recvanalyzesamples = ReadInt("JOURNAL", "recvanalyzesamples", recvanalyzesamples);
    recvthreshold = ReadDouble("JOURNAL", "recvthreshold", recvthreshold);
    recvfreqstart = ReadInt("JOURNAL", "recvfreqstart", recvfreqstart);
    recvfreqend = ReadInt("JOURNAL", "recvfreqend", recvfreqend);
    recvadaptive = ReadInt("JOURNAL", "recvadaptive", recvadaptive) != 0 ? 1 : 0;
    recvlog = ReadInt("JOURNAL", "recvlog", recvlog) != 0 ? 1 : 0;
    recvsearchstart = ReadInt("JOURNAL", "recvsearchstart", recvsearchstart);
    recvsearchend = ReadInt("JOURNAL", "recvsearchend", recvsearchend);

    ReadButton("MAINPANEL", "cw", &cw);
    ReadButton("MAINPANEL", "sendpause", &sendpause);
    ReadButton("MAINPANEL", "sendfile", &sendfile);
    ReadButton("MAINPANEL", "autokeyswitch", &autokeyswitch);

    // Read straight into the field: a missing key empties the list.
    VdProfile::GetString("KOCH", "charlist", "", charlist, sizeof charlist, kFile);
    koch_wordlen = ReadInt("KOCH", "koch_wordlen", koch_wordlen);
    koch_weighted = ReadInt("KOCH", "koch_weighted", koch_weighted);
    kochsidetoneonly = ReadInt("KOCH", "kochsidetoneonly", kochsidetoneonly) != 0 ? 1 : 0;

    for (tagMorseCode& c : morseTable) {
        ReadMorse(&c);
    }

    enableextport = ReadHex("HWCTRL", "enableextport", enableextport);
    extportaddr = static_cast<uint16_t>(ReadHex("HWCTRL", "extportaddr", extportaddr));
    openbyte = static_cast<uint8_t>(ReadHex("HWCTRL", "openbyte", openbyte));
    closebyte = static_cast<uint8_t>(ReadHex("HWCTRL", "closebyte", closebyte));
    serialkey = ReadInt("HWCTRL", "serialkey", serialkey) != 0 ? 1 : 0;
    serialport = ReadInt("HWCTRL", "serialport", serialport);
    serialline = ReadInt("HWCTRL", "serialline", serialline) != 0 ? 1 : 0;
    serialinvert = ReadInt("HWCTRL", "serialinvert", serialinvert) != 0 ? 1 : 0;
    serialptt = ReadInt("HWCTRL", "serialptt", serialptt) != 0 ? 1 : 0;
    pttlead = ReadInt("HWCTRL", "pttlead", pttlead);
    ptttail = ReadInt("HWCTRL", "ptttail", ptttail);
    // Older files have one polarity for both lines.
    pttinvert = ReadInt("HWCTRL", "pttinvert", serialinvert) != 0 ? 1 : 0;

    nwenabled = ReadInt("NETWORK", "nwenabled", nwenabled) != 0 ? 1 : 0;
    localport = static_cast<uint16_t>(ReadInt("NETWORK", "localport", localport));
    int count = ReadInt("NETWORK", "hosts", 0);
    if (count < 0) {
        count = 0;
    }
    if (count > MAX_HOST_COUNT) {
        count = MAX_HOST_COUNT;
    }
    std::vector<tagHostNode> list;
    list.reserve(static_cast<size_t>(count));
    for (int n = 1; n <= count; ++n) {
        tagHostNode h;
        if (ReadHost(n, &h)) {
            list.push_back(h);
        }
    }
    hosts.swap(list);
    return 1;
}

int CVardoSetting::Save() {
    // Every key goes into a copy of the file, which then replaces it in one
    // step: a process that dies while saving leaves the old file whole.
    // Lines the store does not know stay, as they would in place.
    const std::string temp = std::string(kFile) + ".tmp";
    if (!VdProfile::BeginRewrite(kFile, temp.c_str())) {
        return 0;
    }
    const char* const f = temp.c_str();
    WriteDouble(f, "CW", "beepfreq", beepfreq);
    WriteDouble(f, "CW", "beepvol", beepvol);
    WriteInt(f, "CW", "shorthit", shorthit);
    WriteInt(f, "CW", "longhit", longhit);
    WriteInt(f, "CW", "hitdelay", hitdelay);
    WriteInt(f, "CW", "letterdelay", letterdelay);
    WriteInt(f, "CW", "worddelay", worddelay);
    WriteInt(f, "CW", "effectivewpm", effectivewpm);
    WriteInt(f, "CW", "edgems", edgems);

    WriteRect(f, "GLOBAL", "windowrect", windowrect);

    WriteInt(f, "JOURNAL", "sendperiod", sendperiod);
    WriteInt(f, "JOURNAL", "sendidlelimit", sendidlelimit);
    WriteRect(f, "JOURNAL", "sendrect", sendrect);
    WritePoint(f, "JOURNAL", "sendlabeloffset", sendlabeloffset);
    WriteRect(f, "JOURNAL", "sendqueuerect", sendqueuerect);
    WriteInt(f, "JOURNAL", "recvperiod", recvperiod);
    WriteInt(f, "JOURNAL", "recvidlelimit", recvidlelimit);
    WriteRect(f, "JOURNAL", "recvrect", recvrect);
    WritePoint(f, "JOURNAL", "recvlabeloffset", recvlabeloffset);
    WriteRect(f, "JOURNAL", "recvmrect", recvmrect);
    WriteInt(f, "JOURNAL", "recvanalyzesamples", recvanalyzesamples);
    WriteDouble(f, "JOURNAL", "recvthreshold", recvthreshold);
    WriteInt(f, "JOURNAL", "recvfreqstart", recvfreqstart);
    WriteInt(f, "JOURNAL", "recvfreqend", recvfreqend);
    WriteInt(f, "JOURNAL", "recvadaptive", recvadaptive);
    WriteInt(f, "JOURNAL", "recvlog", recvlog);
    WriteInt(f, "JOURNAL", "recvsearchstart", recvsearchstart);
    WriteInt(f, "JOURNAL", "recvsearchend", recvsearchend);

    WriteButton(f, "MAINPANEL", "cw", cw);
    WriteButton(f, "MAINPANEL", "sendpause", sendpause);
    WriteButton(f, "MAINPANEL", "sendfile", sendfile);
    WriteButton(f, "MAINPANEL", "autokeyswitch", autokeyswitch);

    char list[KOCH_CHARLIST_SIZE];
    std::snprintf(list, sizeof list, "%.*s", KOCH_CHARLIST_SIZE - 1, charlist);
    Write(f, "KOCH", "charlist", list);
    WriteInt(f, "KOCH", "koch_wordlen", koch_wordlen);
    WriteInt(f, "KOCH", "koch_weighted", koch_weighted);
    WriteInt(f, "KOCH", "kochsidetoneonly", kochsidetoneonly);

    for (const tagMorseCode& c : morseTable) {
        WriteMorse(f, c);
    }

    WriteHex(f, "HWCTRL", "enableextport", static_cast<uint32_t>(enableextport));
    WriteHex(f, "HWCTRL", "extportaddr", extportaddr);
    WriteHex(f, "HWCTRL", "openbyte", openbyte);
    WriteHex(f, "HWCTRL", "closebyte", closebyte);
    WriteInt(f, "HWCTRL", "serialkey", serialkey);
    WriteInt(f, "HWCTRL", "serialport", serialport);
    WriteInt(f, "HWCTRL", "serialline", serialline);
    WriteInt(f, "HWCTRL", "serialinvert", serialinvert);
    WriteInt(f, "HWCTRL", "serialptt", serialptt);
    WriteInt(f, "HWCTRL", "pttlead", pttlead);
    WriteInt(f, "HWCTRL", "ptttail", ptttail);
    WriteInt(f, "HWCTRL", "pttinvert", pttinvert);

    WriteInt(f, "NETWORK", "nwenabled", nwenabled);
    WriteInt(f, "NETWORK", "localport", localport);
    WriteInt(f, "NETWORK", "hosts", static_cast<int32_t>(hosts.size()));
    for (size_t i = 0; i < hosts.size(); ++i) {
        char key[24];
        char value[80];
        std::snprintf(key, sizeof key, "host%d", static_cast<int>(i + 1));
        std::snprintf(value, sizeof value, "%.*s:%.*s", HOST_TEXT_SIZE - 1, hosts[i].host,
                      PORT_TEXT_SIZE - 1, hosts[i].port);
        Write(f, "NETWORK", key, value);
    }
    return VdProfile::CommitRewrite(temp.c_str(), kFile);
}

int CVardoSetting::CopyValuesTo(SettingValues& out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    out = static_cast<const SettingValues&>(*this);
    return 1;
}

int CVardoSetting::CopyValuesFrom(const SettingValues& in) {
    std::lock_guard<std::mutex> lock(m_mutex);
    static_cast<SettingValues&>(*this) = in;
    return 1;
}
