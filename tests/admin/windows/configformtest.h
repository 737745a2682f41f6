// What the tests of the configuration dialogs share: a station on a fresh folder, its controls
// found by name, and CONFIG.DB as another station reads it.
#pragma once

#include "support/stationtest.h"
#include "ui/messages.h"

#include <QLocale>
#include <QWidget>
#include <gtest/gtest.h>

namespace pinora::test {

class ConfigForms : public StationTest {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        ui::Messages::clear();
        StationTest::SetUp();
    }
    void TearDown() override { ui::Messages::clear(); }
    template <typename T> T* in(QWidget& w, const QString& name) {
        T* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    ConfigRecord stored() const { return onDisk().config; }
};

} // namespace pinora::test
