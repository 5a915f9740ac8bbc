#pragma once

#include <memory>
#include <string>

class QWidget;

namespace vesk {

// What the user sees of one load from disk while it runs.
class LoadProgress {
public:
  virtual ~LoadProgress() = default;
  // The share of the file read so far, from 0 to 1; false when the user
  // cancelled. Called on the window's thread, often enough to keep it alive.
  virtual bool update(double share) = 0;
};

// A load that runs longer than about half a second shows a progress bar
// naming the file, window-modal, with a Cancel button (Escape cancels too);
// the window keeps repainting meanwhile.
std::unique_ptr<LoadProgress> makeProgressBar(QWidget *owner, const std::string &path);

}  // namespace vesk
