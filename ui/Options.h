#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

namespace vesk {

class Dialogs;
class SettingsFile;

// The modeless dialog for the default folder and the label font size. It works
// directly on the window's two preferences; closing it through its frame
// discards it, OK and Cancel only hide it.
class Options : public QDialog {
  Q_OBJECT
public:
  Options(QWidget *owner, std::string &DefaultDirectory, double &DefaultFontSize, const SettingsFile &settings,
          Dialogs &dialogs);

  // The controls, public for tests.
  QLabel *Label1;
  QLineEdit *Text1;
  QPushButton *cmdBrowse;
  QLabel *Label2;
  QComboBox *Combo1;
  QPushButton *cmdCancel;
  QPushButton *cmdOK;

  // The message shown when OK finds a font size that is not a positive number.
  static constexpr const char *notANumberMessage = "The label font size must be a positive number.";

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  void onBrowse();
  void onOK();
  void onCancel();
  void showCurrentValues();

  std::string &DefaultDirectory;
  double &DefaultFontSize;
  const SettingsFile &settings;
  Dialogs &dialogs;
};

}  // namespace vesk
