// Stations talking over loopback UDP: what one keys, the other sounds and
// decodes on its receive panel; a station's own receive side stays quiet,
// and peers' keying is not passed on. Also the receive path from the sound
// input, fed from memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/stationjournal.h"
#include "app/stationnotice.h"
#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"
#include "net/networklink.h"
#include "net/udpsocket.h"
#include "tests/app/stationkit.h"

namespace {

// Short sampling periods give the decoder room on a loaded machine: the
// threshold is 240 / 20 - 5 = 7 samples. The receive loop's pass is its
// period plus one analysis of the sound input, so a small analysis frame
// keeps the pass near the period also in slow (sanitizer) builds; 128
// samples still give bins 172 Hz apart, three of them in the band.
void FastSampling(CVardoSetting& s) {
    s.sendperiod = 20;
    s.recvperiod = 20;
    s.recvanalyzesamples = 128;
}

void SetHost(CVardoSetting& s, uint16_t port) {
    tagHostNode node{};
    std::strcpy(node.host, "127.0.0.1");
    std::snprintf(node.port, sizeof(node.port), "%u", static_cast<unsigned>(port));
    s.hosts.assign(1, node);
}

uint32_t Loopback() {
    const uint8_t bytes[4] = {127, 0, 0, 1};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

// A bare UDP sender of key frames, as a peer station that only keys.
class CFrameSender {
public:
    CFrameSender() { m_ok = m_library.Acquire() && m_socket.Open(); }
    int Key(uint16_t port, uint32_t down) {
        uint8_t frame[KEY_FRAME_SIZE];
        BuildKeyFrame(tagKeyRecord{down, 0}, frame);
        return m_ok && m_socket.SendTo(frame, KEY_FRAME_SIZE, Loopback(), port);
    }

private:
    CSocketLibrary m_library;
    CUdpSocket m_socket;
    int m_ok = 0;
};

}  // namespace

TEST(StationLink, WhatOneStationKeysTheOtherSoundsAndDecodes) {
    // The receiver first, on a free port; it lists the sender as its peer,
    // which must not get its own keying back.
    CStationRig receiver([](CVardoSetting& s) {
        FastSampling(s);
        s.nwenabled = 1;
        s.localport = 0;
    });
    ASSERT_EQ(1, receiver.Station().EnableNetwork());
    const uint16_t receiverPort = receiver.Station().GetNetworkLink()->GetBoundPort();
    ASSERT_NE(0, receiverPort);
    CStationRig sender([&](CVardoSetting& s) {
        FastSampling(s);
        s.nwenabled = 1;
        s.localport = 0;
        SetHost(s, receiverPort);
    });
    ASSERT_EQ(1, sender.Station().EnableNetwork());
    // The silent sound input feeds the receive panel only until its idle
    // limit; let that pass so the panel sees the network alone.
    CStationRig::WaitUntil([] { return false; }, 1000);

    const std::string text = "PARIS";
    sender.Station().EnqueueText(text.data(), static_cast<int>(text.size()), 0);
    ASSERT_TRUE(sender.WaitUntilSent());
    EXPECT_TRUE(CStationRig::WaitUntil(
        [&] { return receiver.Station().GetReceivePanel()->GetDecodedText() == text; }))
        << "decoded '" << receiver.Station().GetReceivePanel()->GetDecodedText() << "'";
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return sender.Station().GetSendPanel()->GetDecodedText() == text; }));

    // The receiver's sidetone followed every element, for about its length.
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return receiver.ToneOnCount() == sender.ToneOnCount(); }))
        << receiver.ToneOnCount() << " remote marks for " << sender.ToneOnCount() << " sent";
    const std::vector<tagSpan> sent = SpansOf(sender.ToneTransitions());
    const std::vector<tagSpan> heard = SpansOf(receiver.ToneTransitions());
    ASSERT_EQ(sent.size(), heard.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].down, heard[i].down) << "stretch " << i;
        EXPECT_NEAR(sent[i].ms, heard[i].ms, 40.0) << "stretch " << i;
    }
    EXPECT_EQ(0, receiver.Station().IsRemoteKeyDown());
    // Keying received from a peer is neither sent on nor echoed: the
    // sender heard nothing back.
    CStationRig::WaitUntil([] { return false; }, 300);
    EXPECT_EQ("", sender.Station().GetReceivePanel()->GetDecodedText());
    EXPECT_EQ(0, sender.Station().IsRemoteKeyDown());
}

TEST(StationLink, ANetworkEventSilencesTheToneButKeepsTheRemoteState) {
    CStationRig rig([](CVardoSetting& s) {
        s.nwenabled = 1;
        s.localport = 0;
    });
    ASSERT_EQ(1, rig.Station().EnableNetwork());
    const uint16_t port = rig.Station().GetNetworkLink()->GetBoundPort();
    CFrameSender peer;
    ASSERT_EQ(1, peer.Key(port, 1));
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().IsRemoteKeyDown() && rig.Tone()->IsToneSounding(); }));
    // Switching the network off ends the link's receiver, which reports it.
    rig.Station().DisableNetwork();
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return !rig.Tone()->IsToneSounding(); }));
    EXPECT_EQ(1, rig.Station().IsRemoteKeyDown());
}

TEST(StationLink, EnableNetworkFollowsTheSettingAndWarnsWhenThePortIsTaken) {
    CStationRig holder([](CVardoSetting& s) {
        s.nwenabled = 1;
        s.localport = 0;
    });
    ASSERT_EQ(1, holder.Station().EnableNetwork());
    const uint16_t taken = holder.Station().GetNetworkLink()->GetBoundPort();
    const struct {
        int32_t enabled;
        bool portTaken;
        int result;
        int notices;
    } rows[] = {{0, false, 0, 0}, {1, true, 0, 1}, {1, false, 1, 0}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        int notices = 0;
        SetStationNoticeHook([&](void* owner, int notice) {
            EXPECT_EQ(nullptr, owner) << "row " << i;
            EXPECT_EQ(NOTICE_NETWORK_FAILED, notice) << "row " << i;
            ++notices;
        });
        CStationRig rig([&](CVardoSetting& s) {
            s.nwenabled = rows[i].enabled;
            s.localport = rows[i].portTaken ? taken : 0;
            // Host texts that are no dotted address are skipped.
            tagHostNode bad{};
            std::strcpy(bad.host, "station.example");
            std::strcpy(bad.port, "3010");
            s.hosts.assign(1, bad);
        });
        EXPECT_EQ(rows[i].result, rig.Station().EnableNetwork()) << "row " << i;
        EXPECT_EQ(rows[i].notices, notices) << "row " << i;
        EXPECT_EQ(nullptr, rig.Station().GetNetworkLink()->GetPeers()) << "row " << i;
        SetStationNoticeHook(StationNoticeHook());
    }
}

TEST(StationLink, ToneInTheSoundInputIsDecodedOnTheReceivePanel) {
    // One second of silence, a 70 ms tone, a second of silence, a 300 ms
    // tone: E and T, heard through the capture at 44100 samples per second.
    const int rate = 44100;
    std::vector<int16_t> feed(static_cast<size_t>(rate), 0);
    const auto tone = [&](int ms) {
        const std::vector<int16_t> t = MakeToneSamples(rate, 1000.0, 0.9, rate * ms / 1000);
        feed.insert(feed.end(), t.begin(), t.end());
        feed.insert(feed.end(), static_cast<size_t>(rate), 0);
    };
    tone(70);
    tone(300);
    // The fixed-threshold detector and the panel's parser; the adaptive
    // receiver has tests of its own (stationreceive_test.cpp).
    CStationRig rig(
        [](CVardoSetting& s) {
            FastSampling(s);
            s.recvadaptive = 0;
        },
        false);
    rig.Station().GetCapture()->SetCaptureSource(std::unique_ptr<ICaptureSource>(
        new CMemoryCaptureSource(rate, feed, false, CMemoryCaptureSource::CLOCK_STEADY)));
    ASSERT_EQ(1, rig.Station().Start());
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().GetReceivePanel()->GetDecodedText() == "ET"; }))
        << "decoded '" << rig.Station().GetReceivePanel()->GetDecodedText() << "'";
    // Sound heard is decoded, not sounded or sent on.
    EXPECT_EQ(0, rig.ToneOnCount());
}
