#pragma once

#include "engine/cVesk.h"
#include "settings/SettingsFile.h"
#include "ui/Dialogs.h"
#include "view/GraphView.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QMenu;

namespace vesk {

class Options;
class PictureBox;

// The main window: the graph area, the two label strips and every command.
class Main : public QMainWindow {
  Q_OBJECT
  // The graph the window shows; first, since the state below refers into it.
  GraphView graphView;

public:
  Main(Dialogs &dialogs, SettingsFile settings, QWidget *parent = nullptr);
  ~Main() override;

  // State the engine, the options dialog and the save command read and write.
  bool isZoom = false;
  std::string DefaultDirectory;
  double &DefaultFontSize;
  std::unique_ptr<cVesk> &currentVesk;
  bool &NoLables;

  PictureBox *Picture1 = nullptr;  // graph area
  PictureBox *Picture2 = nullptr;  // y-label strip
  PictureBox *Picture3 = nullptr;  // x-label strip

  QMenu *mnFile = nullptr;
  QAction *mnOpen = nullptr;
  QAction *mnPrint = nullptr;
  QAction *mnSave = nullptr;
  QAction *mnOptions = nullptr;
  QAction *mnExit = nullptr;
  QAction *mnZoom = nullptr;
  QAction *mnReset = nullptr;
  QAction *mnNoLabels = nullptr;
  // F5: opens again the file opened last, from disk (no menu entry).
  QAction *reloadAction = nullptr;

  // The options dialog while it exists (created at first use).
  Options *optionsDialog() const;
  GraphView &view() { return graphView; }
  // Opens a data file as if it had been chosen in the open dialog: the same
  // loading, the same message on failure, the same menu states on success.
  void openFile(const std::string &path);

  // Selection state, for the drag handlers and tests.
  bool isDown = false;
  bool isVesk = false;
  double startX = 0, startY = 0, endX = 0, endY = 0;

public slots:
  void mnOpenClick();
  void mnPrintClick();
  void mnSaveClick();
  void mnOptionsClick();
  void mnExitClick();
  void mnNoLabelsClick();
  void mnZoomClick();
  void mnResetClick();
  void reload();

  void Picture1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
  void Picture1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, float x, float y);
  void Picture1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);

protected:
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  void createSurfaces();
  void createActions();
  void createMenus();
  void setPrintEntriesVisible(bool visible);
  // Runs a load (false: cancelled) and sets the menus as Open does.
  void openWith(const std::function<bool()> &load);
  // Draws the view that is shown, zoomed or full.
  void redraw();
  // The latest drag's rectangle spans at least two pixels each way.
  bool selectionZoomable() const;

  // The zoomed view's rectangle while isZoom: the engine's start and end corners.
  struct Area {
    double startX = 0, startY = 0, endX = 0, endY = 0;
  };
  Area zoomArea;
  // The current drag has moved, so (endX, endY) belongs to it.
  bool dragMoved = false;
  // The file F5 opens again: the last one an Open, the command line, a drop or F5 read.
  std::string fileToReload;

  Dialogs &dialogs;
  QPointer<Options> options;
  // The progress of the load that runs, if it shows any; loading: one runs.
  std::unique_ptr<LoadProgress> progress;
  bool loading = false;
};

}  // namespace vesk
