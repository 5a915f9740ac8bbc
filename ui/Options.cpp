#include "ui/Options.h"

#include "engine/NumberFormat.h"
#include "settings/SettingsFile.h"
#include "ui/Desktop.h"
#include "ui/Dialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <initializer_list>

namespace vesk {

namespace {

// The layout is given in twips, 15 to a pixel.
QRect twips(int left, int top, int width, int height) { return QRect(left / 15, top / 15, width / 15, height / 15); }

QString qs(const std::string &s) { return QString::fromStdString(s); }

QPushButton *button(const char *text, QWidget *parent, const QRect &geometry) {
  auto *b = new QPushButton(QString::fromLatin1(text), parent);
  b->setGeometry(geometry);
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

// The fixed layout was made for a small dialog font: "Arial" at 11 pixels, made
// smaller still where a substitute font would not let a label's text fit its box.
QFont dialogFont(std::initializer_list<const QLabel *> labels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  auto fits = [&labels](const QFont &f) {
    QFontMetrics metrics(f);
    return std::all_of(labels.begin(), labels.end(),
                       [&](const QLabel *l) { return metrics.horizontalAdvance(l->text()) <= l->width(); });
  };
  while (font.pixelSize() > 8 && !fits(font)) font.setPixelSize(font.pixelSize() - 1);
  return font;
}

QLabel *label(const char *text, QWidget *parent, const QRect &geometry) {
  auto *l = new QLabel(QString::fromLatin1(text), parent);
  l->setGeometry(geometry);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return l;
}

}  // namespace

Options::Options(QWidget *owner, std::string &DefaultDirectory, double &DefaultFontSize, const SettingsFile &settings,
                 Dialogs &dialogs)
    : QDialog(owner),
      DefaultDirectory(DefaultDirectory),
      DefaultFontSize(DefaultFontSize),
      settings(settings),
      dialogs(dialogs) {
  setWindowTitle(QStringLiteral("Options"));
  setModal(false);
  setFixedSize(6450 / 15, 1020 / 15);
  setSizeGripEnabled(false);

  Label1 = label("Default File Location:", this, twips(0, 120, 1575, 255));
  Text1 = new QLineEdit(this);
  Text1->setGeometry(twips(1680, 120, 3135, 285));
  cmdBrowse = button("Browse", this, twips(4920, 120, 1455, 255));
  Label2 = label("Label Font Size:", this, twips(360, 600, 1215, 255));
  Combo1 = new QComboBox(this);
  Combo1->setGeometry(twips(1680, 600, 975, 315));
  Combo1->setEditable(true);
  Combo1->setInsertPolicy(QComboBox::NoInsert);
  // Typed text stays as typed: no completion from the list.
  Combo1->setCompleter(nullptr);
  cmdCancel = button("Cancel", this, twips(4560, 720, 855, 255));
  cmdOK = button("OK", this, twips(5520, 720, 855, 255));
  setFont(dialogFont({Label1, Label2}));

  setTabOrder(Text1, cmdBrowse);
  setTabOrder(cmdBrowse, cmdOK);
  setTabOrder(cmdOK, cmdCancel);
  setTabOrder(cmdCancel, Combo1);
  Text1->setFocus();

  connect(cmdBrowse, &QPushButton::clicked, this, &Options::onBrowse);
  connect(cmdOK, &QPushButton::clicked, this, &Options::onOK);
  connect(cmdCancel, &QPushButton::clicked, this, &Options::onCancel);

  for (int i = 0; i <= 100; ++i) Combo1->addItem(qs(formatGeneral(i / 10.0 + 5)));
  showCurrentValues();
}

void Options::showCurrentValues() {
  Text1->setText(qs(DefaultDirectory));
  Combo1->setEditText(qs(formatGeneral(DefaultFontSize)));
}

void Options::onBrowse() {
  const std::string folder = dialogs.browseForFolder(this, "Browse", usableFolder(Text1->text().toStdString()));
  if (!folder.empty()) Text1->setText(qs(folder));
}

void Options::onOK() {
  const std::string folder = Text1->text().toStdString();
  const std::string sizeText = Combo1->currentText().toStdString();
  const auto size = parseLocaleNumber(sizeText);
  if (!size || *size <= 0) {
    dialogs.messageBox(this, notANumberMessage, "vesk", Dialogs::Icon::Warning);
    return;
  }
  try {
    settings.writeOptions(folder, sizeText);
  } catch (const SettingsError &e) {
    dialogs.messageBox(this, e.what(), "vesk", Dialogs::Icon::Warning);
    return;
  }
  DefaultDirectory = folder;
  DefaultFontSize = *size;
  hide();
}

void Options::onCancel() {
  showCurrentValues();
  hide();
}

void Options::keyPressEvent(QKeyEvent *event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      onOK();
      return;
    case Qt::Key_Escape:
      event->accept();
      onCancel();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void Options::closeEvent(QCloseEvent *event) {
  // Bypasses QDialog's closeEvent, which would turn the close into a reject.
  setAttribute(Qt::WA_DeleteOnClose);
  QWidget::closeEvent(event);
}

}  // namespace vesk
