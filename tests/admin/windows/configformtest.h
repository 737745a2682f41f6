// What the tests of the configuration dialogs share: a station on a fresh folder, its controls
// found by name, and CONFIG.DB as another station reads it.
#pragma once

#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"

#include <QLocale>
#include <QWidget>
#include <gtest/gtest.h>

namespace pinora::test {

class ConfigForms : public ::testing::Test {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        ui::Messages::clear();
        writeFreshDatabase(dir.str());
    }
    void TearDown() override { ui::Messages::clear(); }
    template <typename T> T* in(QWidget& w, const QString& name) {
        T* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    ConfigRecord stored() {
        FakeServices other;
        Database d(dir.str(), other.services());
        EXPECT_EQ(d.loadConfig(), Result::Ok);
        return d.config;
    }

    TempFolder dir;
    FakeServices fsv;
    Station st{dir.str(), fsv.services()};
};

} // namespace pinora::test
