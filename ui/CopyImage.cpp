#include "ui/CopyImage.h"

#include "export/Export.h"
#include "view/GraphView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace vesk {

std::unique_ptr<QMimeData> imageMimeData(GraphView &view) {
  auto data = std::make_unique<QMimeData>();
  QImage image = view.picture(view.devicePixelRatio());
  image.setDevicePixelRatio(view.devicePixelRatio());
  data->setImageData(image);
  const std::string svg = svgDocument(view, "Vesk");
  data->setData(QString::fromLatin1(svgMimeType), QByteArray(svg.data(), qsizetype(svg.size())));
  return data;
}

void copyImage(GraphView &view) {
  if (QClipboard *clipboard = QGuiApplication::clipboard()) clipboard->setMimeData(imageMimeData(view).release());
}

}  // namespace vesk
