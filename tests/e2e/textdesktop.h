#pragma once
// A fixture for the e2e suites that watch the text list: the program's
// windows on the real desktop, the clipboard holding a known text when they
// start, and "Automatisch" on so that each copy becomes an entry.

#include "realdesktop.h"
#include "x11.h"

#include "textstore/Textform.h"

#include <gtest/gtest.h>

#include <memory>

class TextDesktopTest : public ::testing::Test
{
protected:
    static inline const QString kStartText = QStringLiteral("vor dem Start");

    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
        x11::setClipboardText(kStartText);
        desktop = std::make_unique<RealDesktop>();
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > 0; }));
        text = &desktop->forms->get<Textform>();
        x11::waitUntil([] { return false; }, 100); // a late announcement of the start text
        text->Check1->setValue(1);
    }
    void TearDown() override
    {
        desktop.reset();
        x11::stopClipboardOwners();
    }
    QStringList entries(int i = 0) const { return text->List1[i]->entries()->entries(); }

    std::unique_ptr<RealDesktop> desktop;
    Textform *text = nullptr;
};
