#include "ui/SaveAsJpeg.h"

#include "export/cDIBSection.h"
#include "export/mCapture.h"
#include "export/mCommonDialog.h"
#include "export/mIntelJPEGLibrary.h"

#include <QImage>
#include <QMainWindow>

#include <cstdint>

namespace vesk {

void saveAsJpeg(QMainWindow &form, const std::string &DefaultDirectory, SaveDialogs &dialogs) {
  cDIBSection dib;
  {
    // Captured before the dialog opens, so that the dialog is never in the picture.
    const QImage picture = CaptureFormClient(form);
    dib.CreateFromPicture(picture);
  }

  std::string fileName = DefaultDirectory + "/" + "vesk.jpg";
  std::string fileTitle;
  bool overwritePrompt = true;
  std::string filter = "JPEG Files (*.JPG)|*.JPG|All Files (*.*)|*.*";
  std::int32_t filterIndex = 1;
  std::string initialFolder;
  std::string dialogTitle;
  std::string defaultExtension = "JPG";
  std::int32_t flags = 0;
  if (!ShowSaveFileDialog(fileName, fileTitle, overwritePrompt, filter, filterIndex, initialFolder, dialogTitle,
                          defaultExtension, dialogs, flags)) {
    return;
  }

  try {
    WriteJpegFile(dib, fileName, 90);
  } catch (const JpegError &error) {
    dialogs.warningBox("Failed to save the picture to the file: '" + fileName + "'", "vesk", error.reason());
  }
}

}  // namespace vesk
