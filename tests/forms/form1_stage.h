#pragma once
// One main window on a loopback music service, for the in-process Form1
// tests. The window is never shown: Wine's X11 driver takes two seconds to
// take a shown window down, and nothing here depends on it being seen.
#include "answers.h"
#include "form1.h"
#include "form3.h"
#include "gui_test.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "null_audio_output.h"
#include "wav.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <string>
#include <vector>

class Form1Stage : public testing::Test {
  protected:
    static void SetUpTestSuite() { InitGuiTestThread(); }

    void TearDown() override {
        if (Form3* notice = Form3::Current())
            DestroyWindow(notice->hwnd());
        form.reset();
    }

    // Tones of `seconds` at 8 kHz as /song1.wav, /song2.wav…, and the list
    // the service answers, its addresses below the server's (with the
    // trailing character the list's format carries).
    void Serve(int songs, double seconds, std::vector<AnswerSong> list) {
        for (int i = 1; i <= songs; ++i) {
            wavs.push_back(MakeWav(MakeTonePcm(8000, 1, seconds, 300.0 * i), 8000, 1));
            server.Serve("/song" + std::to_string(i) + ".wav",
                         AudioAnswer(wavs.back(), "audio/wav"));
        }
        for (AnswerSong& row : list)
            if (row.url)
                row.url = server.BaseAddress() + *row.url + L" ";
        server.Serve("/fcg-bin/fcgi_agent_zhenghe.fcg", XmlAnswer(MakeAnswer(list)));
    }

    // A new main window whose songs play through `audio` (waveOut when empty),
    // laid out for `dpi` (0: the screen's).
    void Open(AudioOutputFactory audio, Settings settings = Settings(L""), HttpOptions http = {},
              UINT dpi = 0) {
        form = std::make_unique<Form1>(server.BaseAddress(), http, std::move(audio),
                                       std::move(settings));
        form->SetStartDpi(dpi);
        form->SetMessageBox(RecordMessages(shown));
        ASSERT_TRUE(form->Create());
    }

    // Queries 12345 and waits for the table to hold `rows` rows.
    void Query(int rows) {
        SetWindowTextW(form->QQ(), L"12345");
        form->Command1_Click();
        ASSERT_TRUE(PumpUntil([&] { return !form->QueryRunning(); }, 10000));
        ASSERT_EQ(ListView_GetItemCount(form->ListView1()), rows);
    }

    // The one message box shown since the last call.
    void ExpectShown(const wchar_t* prompt, const wchar_t* caption, UINT icon) {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].prompt, prompt);
        EXPECT_EQ(shown[0].caption, caption);
        EXPECT_EQ(shown[0].flags & MB_ICONMASK, icon);
        shown.clear();
    }

    std::wstring Song(int i) const {
        return server.BaseAddress() + L"/song" + std::to_wstring(i) + L".wav";
    }

    LoopbackServer server;
    std::vector<std::string> wavs; // the songs' files, in order
    std::unique_ptr<Form1> form;
    std::vector<ShownMessage> shown;
};
