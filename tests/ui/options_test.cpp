#include "ui/Options.h"

#include "settings/SettingsFile.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/ui/FakeDialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>
#include <QDir>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::LocaleGuard;
using test::readFile;
using test::writeFile;

void processDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

const std::string startFile = "[Options]\nDefault Directory=/home/u/data\nDefault Font Size=9.0\n";

class OptionsTest : public ::testing::Test {
protected:
  void SetUp() override { writeFile(settings.path(), startFile); }
  void TearDown() override { delete dialog.data(); }

  Options &open() {
    dialog = new Options(nullptr, DefaultDirectory, DefaultFontSize, settings, dialogs);
    dialog->show();
    return *dialog;
  }
  std::string file() const { return readFile(settings.path()); }

  test::TempDir dir;
  SettingsFile settings{dir.path(), "/opt/vesk"};
  test::FakeDialogs dialogs;
  std::string DefaultDirectory = "/home/u/data";
  double DefaultFontSize = 9.0;
  QPointer<Options> dialog;
};

struct ItemCase {
  int index;
  const char *text;
};

class OptionsSizeList : public OptionsTest, public ::testing::WithParamInterface<ItemCase> {};

TEST_P(OptionsSizeList, HoldsTheSizeInItsPlace) {
  Options &o = open();
  ASSERT_EQ(o.Combo1->count(), 101);
  EXPECT_EQ(o.Combo1->itemText(GetParam().index).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(OptionsFilling, OptionsSizeList,
                         ::testing::Values(ItemCase{0, "5"}, ItemCase{1, "5.1"}, ItemCase{2, "5.2"}, ItemCase{3, "5.3"},
                                           ItemCase{30, "8"}, ItemCase{49, "9.9"}, ItemCase{50, "10"},
                                           ItemCase{51, "10.1"}, ItemCase{99, "14.9"}, ItemCase{100, "15"}));

TEST_F(OptionsTest, EverySizeInTheListHasOneDecimalAtMost) {
  Options &o = open();
  for (int i = 0; i < o.Combo1->count(); ++i) {
    const QString text = o.Combo1->itemText(i);
    const qsizetype point = text.indexOf('.');
    EXPECT_TRUE(point < 0 || point == text.size() - 2) << text.toStdString();
    auto value = parseLocaleNumber(text.toStdString());
    ASSERT_TRUE(value);
    EXPECT_NEAR(*value, 5 + i / 10.0, 1e-9);
  }
}

struct ShownSizeCase {
  double size;
  const char *shown;
};

class OptionsShownSize : public OptionsTest, public ::testing::WithParamInterface<ShownSizeCase> {};

TEST_P(OptionsShownSize, EditFieldShowsTheWindowsSizeInGeneralFormat) {
  DefaultFontSize = GetParam().size;
  Options &o = open();
  EXPECT_EQ(o.Combo1->currentText().toStdString(), GetParam().shown);
  EXPECT_EQ(o.Text1->text().toStdString(), "/home/u/data");
}

INSTANTIATE_TEST_SUITE_P(OptionsFilling, OptionsShownSize,
                         ::testing::Values(ShownSizeCase{9.0, "9"}, ShownSizeCase{12.5, "12.5"},
                                           ShownSizeCase{11.25, "11.25"}, ShownSizeCase{30, "30"}));

TEST_F(OptionsTest, IsAModelessFixedDialogWithItsTexts) {
  Options &o = open();
  EXPECT_EQ(o.windowTitle(), "Options");
  EXPECT_FALSE(o.isModal());
  EXPECT_EQ(o.minimumSize(), QSize(430, 68));
  EXPECT_EQ(o.maximumSize(), QSize(430, 68));
  EXPECT_EQ(o.Label1->text(), "Default File Location:");
  EXPECT_EQ(o.Label2->text(), "Label Font Size:");
  EXPECT_EQ(o.cmdBrowse->text(), "Browse");
  EXPECT_EQ(o.cmdCancel->text(), "Cancel");
  EXPECT_EQ(o.cmdOK->text(), "OK");
  EXPECT_TRUE(o.Label1->alignment() & Qt::AlignRight);
  EXPECT_TRUE(o.Label2->alignment() & Qt::AlignRight);
  EXPECT_TRUE(o.Combo1->isEditable());
  EXPECT_EQ(o.Combo1->validator(), nullptr);
}

TEST_F(OptionsTest, ControlsSitAtTheirPixelPlaces) {
  Options &o = open();
  const std::vector<std::pair<QWidget *, QRect>> expected = {
      {o.Label1, QRect(0, 8, 105, 17)},  {o.Text1, QRect(112, 8, 209, 19)},  {o.cmdBrowse, QRect(328, 8, 97, 17)},
      {o.Label2, QRect(24, 40, 81, 17)}, {o.Combo1, QRect(112, 40, 65, 21)}, {o.cmdCancel, QRect(304, 48, 57, 17)},
      {o.cmdOK, QRect(368, 48, 57, 17)},
  };
  for (const auto &[widget, rect] : expected) {
    EXPECT_EQ(widget->geometry(), rect) << widget->metaObject()->className() << " " << widget->x();
  }
  EXPECT_EQ(o.Label1->geometry().right(), o.Label2->geometry().right());
}

TEST_F(OptionsTest, LabelAndButtonTextsFitTheirBoxes) {
  Options &o = open();
  for (const QLabel *l : {o.Label1, o.Label2}) {
    EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << l->text().toStdString();
  }
  for (const QPushButton *b : {o.cmdBrowse, o.cmdCancel, o.cmdOK}) {
    EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->width() - 8) << b->text().toStdString();
  }
  EXPECT_LE(o.Text1->fontMetrics().height(), o.Text1->height() - 4);
}

TEST_F(OptionsTest, TabMovesTextBrowseOKCancelCombo) {
  Options &o = open();
  const std::vector<QWidget *> controls = {o.Text1, o.cmdBrowse, o.cmdOK, o.cmdCancel, o.Combo1};
  std::vector<QWidget *> order;
  QWidget *w = o.Text1;
  for (int steps = 0; steps < 50 && order.size() < controls.size(); ++steps, w = w->nextInFocusChain()) {
    if (std::find(controls.begin(), controls.end(), w) != controls.end() &&
        std::find(order.begin(), order.end(), w) == order.end())
      order.push_back(w);
  }
  EXPECT_EQ(order, controls);
  EXPECT_EQ(o.Label1->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(o.Label2->focusPolicy(), Qt::NoFocus);
}

TEST_F(OptionsTest, OKWritesTheFieldsAsShownAndHides) {
  Options &o = open();
  o.cmdOK->click();
  EXPECT_EQ(file(), "[Options]\nDefault Directory=/home/u/data\nDefault Font Size=9\n");
  EXPECT_FALSE(o.isVisible());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OptionsTest, OKStoresATypedSizeAsTyped) {
  Options &o = open();
  o.Text1->setText("/srv/graphs");
  o.Combo1->setEditText("11.25");
  o.cmdOK->click();
  EXPECT_EQ(file(), "[Options]\nDefault Directory=/srv/graphs\nDefault Font Size=11.25\n");
  EXPECT_EQ(DefaultDirectory, "/srv/graphs");
  EXPECT_EQ(DefaultFontSize, 11.25);
}

TEST_F(OptionsTest, TypedSizeIsNotCompletedFromTheList) {
  Options &o = open();
  o.activateWindow();
  QCoreApplication::processEvents();
  o.Combo1->setFocus();
  ASSERT_TRUE(o.Combo1->lineEdit()->hasFocus());
  o.Combo1->lineEdit()->clear();
  QKeyEvent one(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1");
  QCoreApplication::sendEvent(o.Combo1->lineEdit(), &one);
  o.cmdOK->click();
  EXPECT_EQ(DefaultFontSize, 1.0);
  EXPECT_EQ(file(), "[Options]\nDefault Directory=/home/u/data\nDefault Font Size=1\n");
}

TEST_F(OptionsTest, EmptiedFolderIsWrittenEmptyAndReadBackAsTheProgramFolder) {
  Options &o = open();
  o.Text1->clear();
  o.cmdOK->click();
  EXPECT_EQ(file(), "[Options]\nDefault Directory=\nDefault Font Size=9\n");
  EXPECT_EQ(DefaultDirectory, "");
  EXPECT_EQ(settings.readDefaultDirectory(), "/opt/vesk");
}

TEST_F(OptionsTest, BrowsedFolderGoesIntoTheBoxAndOKStoresIt) {
  dialogs.browseAnswer = "/media/usb";
  Options &o = open();
  o.cmdBrowse->click();
  ASSERT_EQ(dialogs.browseCalls.size(), 1u);
  EXPECT_EQ(dialogs.browseCalls[0].owner, &o);
  EXPECT_EQ(dialogs.browseCalls[0].title, "Browse");
  EXPECT_EQ(o.Text1->text(), "/media/usb");
  EXPECT_EQ(file(), startFile) << "Browse alone writes nothing";
  o.cmdOK->click();
  EXPECT_EQ(DefaultDirectory, "/media/usb");
  EXPECT_EQ(settings.readDefaultDirectory(), "/media/usb");
}

TEST_F(OptionsTest, CancelledBrowseKeepsTheTypedFolder) {
  Options &o = open();
  o.Text1->setText("/typed");
  o.cmdBrowse->click();
  EXPECT_EQ(o.Text1->text(), "/typed");
}

TEST_F(OptionsTest, CancelAfterBrowsePutsBackTheWindowsValues) {
  dialogs.browseAnswer = "/media/usb";
  Options &o = open();
  o.cmdBrowse->click();
  o.Combo1->setEditText("14");
  o.cmdCancel->click();
  EXPECT_FALSE(o.isVisible());
  EXPECT_EQ(o.Text1->text(), "/home/u/data");
  EXPECT_EQ(o.Combo1->currentText(), "9");
  EXPECT_EQ(DefaultDirectory, "/home/u/data");
  EXPECT_EQ(DefaultFontSize, 9.0);
  EXPECT_EQ(file(), startFile);
}

TEST_F(OptionsTest, ShownAgainAfterOKKeepsWhatOKStored) {
  Options &o = open();
  o.Combo1->setEditText("12.5");
  o.cmdOK->click();
  o.show();
  EXPECT_EQ(o.Combo1->currentText(), "12.5");
  o.cmdCancel->click();
  EXPECT_EQ(o.Combo1->currentText(), "12.5");
}

class OptionsRefusal : public OptionsTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(OptionsRefusal, SizeThatIsNotAPositiveNumberIsRefusedBeforeAnythingIsWritten) {
  Options &o = open();
  o.Text1->setText("/elsewhere");
  o.Combo1->setEditText(GetParam());
  o.cmdOK->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].owner, &o);
  EXPECT_EQ(dialogs.messages[0].text, Options::notANumberMessage);
  EXPECT_EQ(dialogs.messages[0].title, "vesk");
  EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Warning);
  EXPECT_TRUE(o.isVisible());
  EXPECT_EQ(file(), startFile);
  EXPECT_EQ(DefaultDirectory, "/home/u/data");
  EXPECT_EQ(DefaultFontSize, 9.0);
  EXPECT_EQ(o.Combo1->currentText().toStdString(), GetParam()) << "the typed text stays for correction";
}

INSTANTIATE_TEST_SUITE_P(OptionsOK, OptionsRefusal,
                         ::testing::Values("", "abc", "9pt", "0", "-2", "nan", "inf", "1,5", "1e999"));

TEST_F(OptionsTest, FailedWriteIsReportedAndChangesNothing) {
  writeFile(dir.path() / "plain", "x");
  SettingsFile broken(dir.path() / "plain" / "config", "/opt/vesk");
  dialog = new Options(nullptr, DefaultDirectory, DefaultFontSize, broken, dialogs);
  dialog->show();
  dialog->Text1->setText("/new");
  dialog->Combo1->setEditText("12");
  dialog->cmdOK->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text.rfind("Cannot write the settings file \"", 0), 0u) << dialogs.messages[0].text;
  EXPECT_EQ(dialogs.messages[0].title, "vesk");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(DefaultDirectory, "/home/u/data");
  EXPECT_EQ(DefaultFontSize, 9.0);
}

TEST_F(OptionsTest, ClosingThroughTheFrameDiscardsTheDialogAndItsEdits) {
  Options &o = open();
  o.Text1->setText("/edited");
  EXPECT_TRUE(o.close());
  processDeferredDeletes();
  EXPECT_TRUE(dialog.isNull());
  EXPECT_EQ(DefaultDirectory, "/home/u/data");
  EXPECT_EQ(file(), startFile);
}

TEST_F(OptionsTest, OKAndCancelOnlyHide) {
  Options &o = open();
  o.cmdCancel->click();
  processDeferredDeletes();
  ASSERT_FALSE(dialog.isNull());
  o.show();
  o.cmdOK->click();
  processDeferredDeletes();
  EXPECT_FALSE(dialog.isNull());
}

TEST_F(OptionsTest, DecimalCommaLocaleRoundTrip) {
  LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
  DefaultFontSize = 12.5;
  Options &o = open();
  EXPECT_EQ(o.Combo1->itemText(1), "5,1");
  EXPECT_EQ(o.Combo1->itemText(99), "14,9");
  EXPECT_EQ(o.Combo1->itemText(100), "15");
  EXPECT_EQ(o.Combo1->currentText(), "12,5");
  o.Combo1->setEditText("11,25");
  o.cmdOK->click();
  EXPECT_EQ(DefaultFontSize, 11.25);
  EXPECT_EQ(file(), "[Options]\nDefault Directory=/home/u/data\nDefault Font Size=11,25\n");
  EXPECT_EQ(settings.readDefaultFontSize(), 11.25);
  o.show();
  o.Combo1->setEditText("9.5");
  o.cmdOK->click();
  EXPECT_EQ(DefaultFontSize, 9.5);
}

struct KeyCase {
  const char *name;
  int key;
};

void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }

class OptionsKeys : public OptionsTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(OptionsKeys, EnterIsOKAndEscapeIsCancelWhereverTheyArePressed) {
  const bool ok = GetParam().key != Qt::Key_Escape;
  for (const char *name : {"Text1", "Combo1", "cmdOK", "cmdCancel", "cmdBrowse", "dialog"}) {
    writeFile(settings.path(), startFile);
    DefaultFontSize = 9.0;
    Options &o = open();
    o.Text1->setText("/typed");
    o.Combo1->setEditText("13");
    const std::map<std::string, QWidget *> targets = {{"Text1", o.Text1},         {"Combo1", o.Combo1->lineEdit()},
                                                      {"cmdOK", o.cmdOK},         {"cmdCancel", o.cmdCancel},
                                                      {"cmdBrowse", o.cmdBrowse}, {"dialog", &o}};
    QKeyEvent press(QEvent::KeyPress, GetParam().key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, GetParam().key, Qt::NoModifier);
    QCoreApplication::sendEvent(targets.at(name), &press);
    QCoreApplication::sendEvent(targets.at(name), &release);
    processDeferredDeletes();
    ASSERT_FALSE(dialog.isNull()) << GetParam().name << " on " << name;
    EXPECT_FALSE(o.isVisible()) << GetParam().name << " on " << name;
    EXPECT_TRUE(dialogs.browseCalls.empty());
    if (ok) {
      EXPECT_EQ(file(), "[Options]\nDefault Directory=/typed\nDefault Font Size=13\n") << name;
      EXPECT_EQ(DefaultFontSize, 13.0) << name;
    } else {
      EXPECT_EQ(file(), startFile) << name;
      EXPECT_EQ(o.Text1->text(), "/home/u/data") << name;
      EXPECT_EQ(DefaultFontSize, 9.0) << name;
    }
    delete dialog.data();
  }
}

// Browse starts in the folder the box shows, or in the home folder when that is no folder.
TEST_F(OptionsTest, BrowseStartsInTheFolderShownInTheBox) {
  Options &o = open();
  o.Text1->setText(QString::fromStdString(dir.path().string()));
  o.cmdBrowse->click();
  o.Text1->setText("/no/such/folder");
  o.cmdBrowse->click();
  o.Text1->setText("relative");
  o.cmdBrowse->click();
  ASSERT_EQ(dialogs.browseCalls.size(), 3u);
  EXPECT_EQ(dialogs.browseCalls[0].startFolder, dir.path().string());
  EXPECT_EQ(dialogs.browseCalls[1].startFolder, QDir::homePath().toStdString());
  EXPECT_EQ(dialogs.browseCalls[2].startFolder, QDir::homePath().toStdString());
}

INSTANTIATE_TEST_SUITE_P(OptionsKeyboard, OptionsKeys,
                         ::testing::Values(KeyCase{"Return", Qt::Key_Return}, KeyCase{"Enter", Qt::Key_Enter},
                                           KeyCase{"Escape", Qt::Key_Escape}));

}  // namespace
}  // namespace vesk
