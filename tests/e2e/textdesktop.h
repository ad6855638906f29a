#pragma once
// A fixture for the e2e suites that watch the text list: the program's
// windows on the real desktop, the clipboard holding a known text when they
// start, and "Automatisch" on so that each copy becomes an entry.

#include "realdesktop.h"
#include "x11.h"

#include "textstore/Textform.h"

#include <QClipboard>
#include <QGuiApplication>

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
        // The toolkit's announcement of the start text comes before the program
        // starts, so that no late one of it becomes an entry.
        bool announced = false;
        QObject scope;
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &scope, [&] { announced = true; });
        x11::setClipboardText(kStartText);
        ASSERT_TRUE(x11::waitUntil([&] { return announced; })) << "the start text announced";
        desktop = std::make_unique<RealDesktop>();
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > 0; }));
        text = &desktop->forms->get<Textform>();
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
