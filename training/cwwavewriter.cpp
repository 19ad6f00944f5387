// Morse audio file generation (see cwwavewriter.h).
#include "training/cwwavewriter.h"

#include "audio/vdwavefile.h"
#include "morse/keyingtiming.h"
#include "morse/morsecode.h"

namespace {

double Seconds(int32_t ms) {
    return ms > 0 ? ms / 1000.0 : 0.0;
}

// The tone buffer must hold the longest element. It is sized for the
// longer of the two element lengths (a dot set longer than a dash would
// otherwise be cut), divided by 999 so that it is a little longer than the
// tone itself.
double BufferSeconds(const SettingValues& s) {
    int32_t longest = s.longhit > s.shorthit ? s.longhit : s.shorthit;
    return longest > 0 ? longest / 999.0 : 0.0;
}

// The durations the file is keyed with: the settings' own, with the gaps
// lengthened to the effective speed when one is set below the character
// speed. Negative values count as 0.
tagKeyDurations WaveDurations(const SettingValues& s) {
    auto ms = [](int32_t v) { return v > 0 ? v : 0; };
    const tagKeyDurations own{ms(s.shorthit), ms(s.longhit), ms(s.hitdelay), ms(s.letterdelay),
                              ms(s.worddelay)};
    tagKeyDurations d = own;
    ApplyFarnsworth(own, s.effectivewpm, WAVE_WORD_GAP_LETTER_DELAYS, &d);
    return d;
}

void KeyText(CVdWaveFile& wave, const SettingValues& s, const char* text, int length, int groupLen) {
    const tagKeyDurations d = WaveDurations(s);
    wave.SetFrequency(s.beepfreq);
    wave.SetVolume(s.beepvol);
    wave.SetEdgeMs(s.edgems);
    for (int i = 0; i < length; ++i) {
        const tagMorseCode* code = FindCode(s.morseTable, static_cast<signed char>(text[i]));
        if (code->nChar == '_') {
            wave.WriteSilence(Seconds(d.worddelay));
        } else {
            ForEachMorseElement(*code, [&](bool dot) {
                wave.WriteTone(Seconds(dot ? d.shorthit : d.longhit));
                wave.WriteSilence(Seconds(d.hitdelay));
            });
            wave.WriteSilence(Seconds(d.letterdelay));
        }
        if (groupLen > 0 && (i + 1) % groupLen == 0) {
            wave.WriteSilence(Seconds(d.worddelay));
        }
    }
}

template <typename Path>
int WriteTo(const SettingValues& s, Path path, const char* text, int length, int groupLen) {
    if (!path) {
        return 0;
    }
    CVdWaveFile wave(path, 1, CW_WAVE_SAMPLE_RATE, 16, BufferSeconds(s));
    if (!wave.IsOpen()) {
        return 0;
    }
    if (text && length > 0) {
        KeyText(wave, s, text, length, groupLen);
    }
    return 1;
}

}  // namespace

int WriteCwWave(const SettingValues& settings, const char* path, const char* text, int length,
                int groupLen) {
    return WriteTo(settings, path, text, length, groupLen);
}

#ifdef _WIN32
int WriteCwWave(const SettingValues& settings, const wchar_t* path, const char* text, int length,
                int groupLen) {
    return WriteTo(settings, path, text, length, groupLen);
}
#endif

int WriteCwWave(const char* path, const char* text, int length, int groupLen) {
    if (!g_pSetting) {
        return 0;
    }
    SettingValues s;
    g_pSetting->CopyValuesTo(s);
    return WriteCwWave(s, path, text, length, groupLen);
}
