#include "view/Export.h"

#include "engine/cVesk.h"
#include "export/PdfCheck.h"
#include "export/SafeReplace.h"
#include "export/cDIBSection.h"
#include "export/mIntelJPEGLibrary.h"
#include "view/GraphLayout.h"
#include "view/GraphView.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vesk {

namespace {

// QPdfWriter's default resolution; the page itself is measured in points.
constexpr int kPdfResolution = 1200;
// SVG user units are CSS pixels, 96 to the inch, 15 twips each: the drawing
// reads like the PNG.
constexpr int kSvgResolution = 96;
constexpr double kTwipsPerSvgUnit = 15;

QString qt(const std::string &utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

void writePng(const QImage &image, const std::string &fileName) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // Qt maps quality 80 to zlib's fastest level: a graph's few colours pack
  // well anyway, and the default level takes longer than drawing the graph.
  if (!image.save(&buffer, "PNG", 80)) throw ExportError("the image could not be encoded as PNG");
  replaceFile(fileName, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void writeJpeg(const QImage &image, const std::string &fileName, int quality) {
  cDIBSection dib;
  dib.CreateFromPicture(image);
  WriteJpegFile(dib, fileName, quality);
}

// QPdfWriter reports no write error of its own, so it writes a temporary file
// that is checked whole before it replaces the target.
void writePdf(GraphView &view, const std::string &fileName) {
  SafeReplace file(fileName);
  {
    QPdfWriter writer(qt(file.temporaryName()));
    writer.setResolution(kPdfResolution);
    writer.setCreator(QStringLiteral("Vesk"));
    writer.setTitle(QFileInfo(qt(fileName)).fileName());
    const QPageSize page(QSizeF(layout::clientWidth / 1440, layout::clientHeight / 1440), QPageSize::Inch, QString(),
                         QPageSize::ExactMatch);
    writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) throw ExportError("the PDF writer could not start");
    view.paint(painter, double(kPdfResolution) / 1440);
    painter.end();
  }
  checkPdfComplete(file.temporaryName());
  file.commit();
}

// One surface drawn by QSvgGenerator, which keeps no clip.
struct SvgPart {
  const layout::Box &box;
  QByteArray bytes;
  QBuffer buffer{&bytes};
  QSvgGenerator generator;
  QPainter painter;

  explicit SvgPart(const layout::Box &place) : box(place) {
    const QSizeF size(box.width / kTwipsPerSvgUnit, box.height / kTwipsPerSvgUnit);
    generator.setOutputDevice(&buffer);
    generator.setResolution(kSvgResolution);
    generator.setSize(size.toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), size));
    if (!painter.begin(&generator)) throw ExportError("the SVG writer could not start");
  }
};

QString number(double value) { return QString::number(value, 'g', 10); }

// Copies what a generated SVG document draws into writer, leaving out its root
// element, title and description.
void copyDrawing(const QByteArray &svg, QXmlStreamWriter &writer) {
  QXmlStreamReader reader(svg);
  int depth = 0;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement:
        if (++depth == 1) break;
        if (depth == 2 && (reader.name() == u"title" || reader.name() == u"desc")) {
          reader.skipCurrentElement();
          --depth;
          break;
        }
        writer.writeCurrentToken(reader);
        break;
      case QXmlStreamReader::EndElement:
        if (depth-- > 1) writer.writeCurrentToken(reader);
        break;
      case QXmlStreamReader::Characters:
        if (depth > 1) writer.writeCurrentToken(reader);
        break;
      default:
        break;
    }
  }
  if (reader.hasError())
    throw ExportError("the SVG drawing could not be read back: " + reader.errorString().toStdString());
}

}  // namespace

// Each surface is drawn into an SVG document of its own and nested in the
// client area as an <svg> element, which clips it to its box; the graph area
// comes last, over the strips, as in the window.
std::string svgDocument(GraphView &view, const std::string &title) {
  SvgPart graph(layout::graphArea), x(layout::xStrip), y(layout::yStrip);
  view.paint(graph.painter, x.painter, y.painter, 1.0 / kTwipsPerSvgUnit);
  for (SvgPart *part : {&graph, &x, &y}) part->painter.end();

  QByteArray out;
  QXmlStreamWriter writer(&out);
  writer.setAutoFormatting(true);
  writer.writeStartDocument();
  writer.writeStartElement(QStringLiteral("svg"));
  writer.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
  writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
  writer.writeAttribute(QStringLiteral("width"), number(layout::clientWidth / 1440) + QStringLiteral("in"));
  writer.writeAttribute(QStringLiteral("height"), number(layout::clientHeight / 1440) + QStringLiteral("in"));
  writer.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2")
                                                       .arg(number(layout::clientWidth / kTwipsPerSvgUnit),
                                                            number(layout::clientHeight / kTwipsPerSvgUnit)));
  writer.writeTextElement(QStringLiteral("title"), qt(title));
  writer.writeEmptyElement(QStringLiteral("rect"));
  writer.writeAttribute(QStringLiteral("width"), QStringLiteral("100%"));
  writer.writeAttribute(QStringLiteral("height"), QStringLiteral("100%"));
  writer.writeAttribute(QStringLiteral("fill"), view.stripBackground().name());
  for (const SvgPart *part : {&y, &x, &graph}) {
    const layout::Box &box = part->box;
    writer.writeStartElement(QStringLiteral("svg"));
    writer.writeAttribute(QStringLiteral("x"), number(box.left / kTwipsPerSvgUnit));
    writer.writeAttribute(QStringLiteral("y"), number(box.top / kTwipsPerSvgUnit));
    writer.writeAttribute(QStringLiteral("width"), number(box.width / kTwipsPerSvgUnit));
    writer.writeAttribute(QStringLiteral("height"), number(box.height / kTwipsPerSvgUnit));
    writer.writeAttribute(
        QStringLiteral("viewBox"),
        QStringLiteral("0 0 %1 %2").arg(number(box.width / kTwipsPerSvgUnit), number(box.height / kTwipsPerSvgUnit)));
    copyDrawing(part->bytes, writer);
    writer.writeEndElement();
  }
  writer.writeEndElement();
  writer.writeEndDocument();
  return std::string(out.constData(), std::size_t(out.size()));
}

namespace {

void writeSvg(GraphView &view, const std::string &fileName) {
  replaceFile(fileName, svgDocument(view, QFileInfo(qt(fileName)).fileName().toStdString()));
}

// The loader names the data file first ("Cannot load "A.dat": line 3: ...");
// the report names it once, in front.
std::string withoutName(std::string message, const std::string &named) {
  for (const char *verb : {"Cannot load ", "Cannot read "}) {
    if (message.rfind(verb + named, 0) == 0) return message.substr(std::string(verb).size() + named.size());
  }
  return message;
}

std::string withoutFileName(std::string message, const std::string &path) {
  return withoutName(std::move(message), "\"" + path + "\": ");
}

// Standard output gets the very bytes a file would: the writers write a file
// in a folder of their own, which is then copied out whole.
void writeToStandardOutput(GraphView &view, ExportFormat format, const ExportSettings &settings) {
  const QTemporaryDir dir;
  if (!dir.isValid()) throw ExportError("no temporary folder for the output: " + dir.errorString().toStdString());
  const std::string file = dir.filePath(QStringLiteral("vesk.") + qt(extensionOf(format))).toStdString();
  writeExport(view, file, format, settings);
  QFile written(qt(file));
  if (!written.open(QIODevice::ReadOnly)) throw ExportError("the output could not be read back");
  const QByteArray bytes = written.readAll();
  if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) != std::size_t(bytes.size()) ||
      std::fflush(stdout) != 0)
    throw ExportError(std::string("standard output: ") + std::strerror(errno));
}

}  // namespace

std::optional<ExportFormat> exportFormatNamed(const std::string &name) {
  const QString n = qt(name).toLower();
  if (n == u"png") return ExportFormat::Png;
  if (n == u"jpg" || n == u"jpeg") return ExportFormat::Jpeg;
  if (n == u"pdf") return ExportFormat::Pdf;
  if (n == u"svg") return ExportFormat::Svg;
  return std::nullopt;
}

std::optional<ExportFormat> exportFormatOfFile(const std::string &fileName) {
  const QString name = QFileInfo(qt(fileName)).fileName();
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot <= 0) return std::nullopt;
  return exportFormatNamed(name.mid(dot + 1).toStdString());
}

std::string extensionOf(ExportFormat format) {
  switch (format) {
    case ExportFormat::Png:
      return "png";
    case ExportFormat::Jpeg:
      return "jpg";
    case ExportFormat::Pdf:
      return "pdf";
    case ExportFormat::Svg:
      return "svg";
  }
  return "png";
}

void writeExport(GraphView &view, const std::string &fileName, ExportFormat format, const ExportSettings &settings) {
  switch (format) {
    case ExportFormat::Png:
      writePng(view.picture(double(settings.scale)), fileName);
      break;
    case ExportFormat::Jpeg:
      writeJpeg(view.picture(double(settings.scale)), fileName, settings.quality);
      break;
    case ExportFormat::Pdf:
      writePdf(view, fileName);
      break;
    case ExportFormat::Svg:
      writeSvg(view, fileName);
      break;
  }
}

int runExport(GraphView &view, const std::vector<ExportItem> &items, const ExportSettings &settings,
              const std::function<void(const std::string &line)> &reportError) {
  view.DefaultFontSize = view.settings().storedFontSize();
  int status = 0;
  for (const ExportItem &item : items) {
    const auto fail = [&](const std::string &file, const std::string &message) {
      reportError("vesk: " + file + ": " + message);
      status = 1;
    };
    try {
      if (item.input == "-")
        view.openStandardInput();
      else
        view.openFile(item.input);
    } catch (const LoadError &e) {
      if (item.input == "-") {
        fail("standard input", withoutName(e.what(), "standard input: "));
        continue;
      }
      fail(item.input, withoutFileName(e.what(), item.input));
      continue;
    } catch (const std::exception &e) {
      fail(item.input, e.what());
      continue;
    }
    try {
      if (item.output == "-")
        writeToStandardOutput(view, item.format, settings);
      else
        writeExport(view, item.output, item.format, settings);
    } catch (const FileWriteError &e) {
      fail(item.output, e.reason());
    } catch (const JpegError &e) {
      fail(item.output, e.reason());
    } catch (const std::exception &e) {
      fail(item.output, e.what());
    }
  }
  return status;
}

}  // namespace vesk
