#pragma once

#include "engine/cVesk.h"
#include "settings/SettingsFile.h"
#include "ui/Dialogs.h"
#include "ui/ZoomHistory.h"
#include "view/GraphView.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;

namespace vesk {

class FileFollower;
class Options;
class PictureBox;
class StatusReadout;
class RecentFilesMenu;

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
  QMenu *mnOpenRecent = nullptr;
  QAction *mnPrint = nullptr;
  QAction *mnSave = nullptr;
  QAction *mnExport = nullptr;
  QAction *mnCopyImage = nullptr;
  QAction *mnOptions = nullptr;
  QAction *mnExit = nullptr;
  QAction *mnZoom = nullptr;
  QAction *mnReset = nullptr;
  QAction *mnNoLabels = nullptr;
  // File > Follow File: reload the file opened last whenever it changes.
  QAction *mnFollowFile = nullptr;
  // F5: reads the file opened last again, from disk (no menu entry).
  QAction *reloadAction = nullptr;
  // Moving between views (no menu entries): Backspace or Alt+Left, Alt+Right;
  // the arrow keys pan a zoomed view; + and - zoom about the centre.
  QAction *backAction = nullptr;
  QAction *forwardAction = nullptr;
  QAction *panLeftAction = nullptr;
  QAction *panRightAction = nullptr;
  QAction *panUpAction = nullptr;
  QAction *panDownAction = nullptr;
  QAction *zoomInAction = nullptr;
  QAction *zoomOutAction = nullptr;
  // The status bar under the client area, statusBarHeight pixels high unless
  // the desktop's font needs more.
  static constexpr int statusBarHeight = 22;
  QLabel *statusText = nullptr;
  StatusReadout &readout() { return *status; }
  FileFollower &follower() { return *followed; }

  // The options dialog while it exists (created at first use).
  Options *optionsDialog() const;
  GraphView &view() { return graphView; }
  // Opens a data file as if it had been chosen in the open dialog: the same
  // loading, the same message on failure, the same menu states on success.
  void openFile(const std::string &path);
  // Opens the data text on standard input in the same way; F5 then has no file to read again.
  void openStandardInput();
  RecentFilesMenu &recentFiles() { return *recent; }

  // Selection state, for the drag handlers and tests.
  bool isDown = false;
  bool isVesk = false;
  double startX = 0, startY = 0, endX = 0, endY = 0;

public slots:
  void mnOpenClick();
  void mnPrintClick();
  void mnSaveClick();
  void mnExportClick();
  void mnCopyImageClick();
  void mnOptionsClick();
  void mnExitClick();
  void mnNoLabelsClick();
  void mnZoomClick();
  void mnResetClick();
  void reload();
  void back();
  void forward();
  void setFollowFile(bool on);

  void Picture1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
  void Picture1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, float x, float y);
  void Picture1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
  // Wheel forward zooms in about the pointer, 1.25 times a notch; back zooms out.
  void Picture1Wheel(QPointF pixel, int angle);

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
  void openWith(const std::function<bool()> &load, bool standardInput = false);
  // Open Recent: opens the file, or takes one that no longer exists off the list.
  void openRecent(const std::string &path);
  // Draws the view that is shown, zoomed or full.
  void redraw();
  // Before any load a drag draws nothing; afterwards it shows the selection
  // rectangle, and Zoom is enabled once the drag ends, until anything redraws.
  void endDrag();
  // The latest drag's rectangle spans at least two pixels each way.
  bool selectionZoomable() const;
  void createViewActions();
  // The view shown, zoomed or full, as the graph area's edges.
  ViewRect shownView() const;
  // Shows a view of the history (none: the full view) and sets the menus for it.
  void showView(const ZoomHistory::View &view);
  // A new view after the one shown; ignored when it is too small or too large to draw.
  void goTo(const ViewRect &view);
  void zoomAboutCentre(double factor);
  void panBy(double across, double down);
  void pointerAt(QPointF pixel);
  // A move of a Ctrl drag: the view follows the pointer.
  void panWithPointer(Qt::MouseButtons buttons);
  // Reads fileToReload again into a new engine, keeping the view shown when
  // the axis limits are those of the graph shown. Throws LoadError, changing nothing.
  void reloadFile();
  void followedFileChanged();
  // The caption and the status bar for the graph just loaded from fileToReload.
  void showLoaded();

  // The zoomed view's rectangle while isZoom: the engine's start and end corners.
  struct Area {
    double startX = 0, startY = 0, endX = 0, endY = 0;
  };
  Area zoomArea;
  // The current drag has moved, so (endX, endY) belongs to it.
  bool dragMoved = false;
  // A selection rectangle is drawn over the view.
  bool selectionShown = false;
  // The file F5 opens again: the last one an Open, the command line, a drop or F5 read.
  std::string fileToReload;
  ZoomHistory history;
  // A drag with Ctrl held in a zoomed view: where it began and the view then.
  struct Pan {
    QPointF from;
    ViewRect view;
    bool moved = false;
  };
  std::optional<Pan> pan;
  // The pointer over the graph area, and its latest pixel anywhere (a drag goes beyond).
  std::optional<QPointF> pointerPixel;
  QPointF latestPixel;
  std::unique_ptr<StatusReadout> status;
  FileFollower *followed = nullptr;
  // The graph shown was read from standard input.
  bool fromStandardInput = false;
  RecentFilesMenu *recent = nullptr;

  Dialogs &dialogs;
  QPointer<Options> options;
  // The progress of the load that runs, if it shows any; loading: one runs.
  std::unique_ptr<LoadProgress> progress;
  bool loading = false;
  // While one lives a load runs; its end, however it comes, takes the progress away.
  struct LoadScope {
    explicit LoadScope(Main &window) : w(window) { w.loading = true; }
    ~LoadScope() {
      w.loading = false;
      w.progress.reset();
    }
    LoadScope(const LoadScope &) = delete;
    LoadScope &operator=(const LoadScope &) = delete;
    Main &w;
  };
};

}  // namespace vesk
