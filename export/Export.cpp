#include "export/Export.h"

#include "engine/cVesk.h"
#include "files/PdfCheck.h"
#include "files/SafeReplace.h"
#include "export/cDIBSection.h"
#include "export/PngWriter.h"
#include "export/mIntelJPEGLibrary.h"
#include "view/GraphLayout.h"
#include "view/GraphView.h"

#include <QBuffer>
#include <QDateTime>
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
#include <cmath>
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

QString qt(const std::string &bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); }

// The picture has the window's 96 pixels to the inch times the scale it is drawn at.
double dotsPerInch(const ExportSettings &settings) { return 96.0 * settings.scale; }

void writePng(const QImage &image, const std::string &fileName, const ExportSettings &settings) {
  replaceFile(fileName, encodePng(image, dotsPerInch(settings)));
}

void writeJpeg(const QImage &image, const std::string &fileName, const ExportSettings &settings) {
  cDIBSection dib;
  dib.CreateFromPicture(image);
  WriteJpegFile(dib, fileName, settings.quality,
                {.times = FileTimes::ofWriting, .dotsPerInch = int(std::lround(dotsPerInch(settings)))});
}

// Qt's PDF engine dates each document with the time it is written; a figure
// regenerated from the same data should come out byte for byte the same, so
// the date is SOURCE_DATE_EPOCH's when that is set and none otherwise. The
// date keeps its length, and with it every offset in the file.
void setCreationDate(QByteArray &pdf) {
  const QByteArray key = "/CreationDate (D:";
  const qsizetype at = pdf.indexOf(key);
  if (at < 0) return;
  const qsizetype end = pdf.indexOf(')', at + key.size());
  if (end < 0) return;
  const qsizetype length = end - at + 1;
  QByteArray date;
  const QByteArray epoch = qgetenv("SOURCE_DATE_EPOCH");
  bool ok = false;
  const qint64 seconds = epoch.toLongLong(&ok);
  if (ok && seconds >= 0) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    date = key + when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z)";
  }
  if (date.size() != length) date = QByteArray(length, ' ');
  pdf.replace(at, length, date);
}

// QPdfWriter reports no write error of its own: it writes to memory, and the
// file it ends up in is checked whole before it replaces the target.
void writePdf(GraphView &view, const std::string &fileName) {
  QByteArray pdf;
  {
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setCreator(QStringLiteral("Vesk"));
    writer.setTitle(QFileInfo(qt(fileName)).fileName());
    const QPageSize page(QSizeF(layout::clientWidth / 1440, layout::clientHeight / 1440), QPageSize::Inch, QString(),
                         QPageSize::ExactMatch);
    writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) throw ExportError("the PDF writer could not start", fileName);
    view.paint(painter, double(kPdfResolution) / 1440);
    painter.end();
  }
  setCreationDate(pdf);
  replacePdf(fileName, [&](SafeReplace &file) { file.write(std::string_view(pdf.constData(), std::size_t(pdf.size()))); });
}

// One surface drawn by QSvgGenerator, which keeps no clip.
struct SvgPart {
  const layout::Box &box;
  const char *id;
  QByteArray bytes;
  QBuffer buffer{&bytes};
  QSvgGenerator generator;
  QPainter painter;

  SvgPart(const layout::Box &place, const char *name) : box(place), id(name) {
    const QSizeF size(box.width / kTwipsPerSvgUnit, box.height / kTwipsPerSvgUnit);
    generator.setOutputDevice(&buffer);
    generator.setResolution(kSvgResolution);
    generator.setSize(size.toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), size));
    if (!painter.begin(&generator)) throw ExportError("the SVG writer could not start");
  }
};

QString number(double value) { return QString::number(value, 'g', 10); }

// A font list that ends in a generic family, so that a machine without the
// named fonts still draws the text in a sans-serif face. Qt names the same
// face three ways ("Liberation Sans", its alias "Arial", its default "Sans Serif").
QString withGenericFamily(const QString &families) {
  static const QString sans = QStringLiteral("\"Liberation Sans\", Arial, Helvetica, sans-serif");
  const QString family = families.trimmed();
  for (const char *same : {"Liberation Sans", "Arial", "Sans Serif", "\"Liberation Sans\"", "'Liberation Sans'"})
    if (family == QLatin1String(same)) return sans;
  for (const char *generic : {"sans-serif", "serif", "monospace", "cursive", "fantasy", "system-ui"})
    if (family.endsWith(QLatin1String(generic))) return family;
  return family + QStringLiteral(", sans-serif");
}

// Copies what a generated SVG document draws into writer, leaving out its root
// element, title and description, with every font list ending in a generic family.
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
        writer.writeStartElement(reader.qualifiedName().toString());
        for (const QXmlStreamAttribute &attribute : reader.attributes()) {
          if (attribute.qualifiedName() == u"font-family")
            writer.writeAttribute(QStringLiteral("font-family"), withGenericFamily(attribute.value().toString()));
          else
            writer.writeAttribute(attribute);
        }
        break;
      case QXmlStreamReader::EndElement:
        if (depth-- > 1) writer.writeEndElement();
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

// Each surface is drawn into an SVG document of its own and placed in the
// client area in a group clipped to its box by a <clipPath> (which every
// editor honours, unlike nested <svg> elements); the graph area comes last,
// over the strips, as in the window.
std::string svgDocument(GraphView &view, const std::string &title) {
  SvgPart graph(layout::graphArea, "graph-area"), x(layout::xStrip, "x-strip"), y(layout::yStrip, "y-strip");
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
  writer.writeStartElement(QStringLiteral("defs"));
  for (const SvgPart *part : {&y, &x, &graph}) {
    const layout::Box &box = part->box;
    writer.writeStartElement(QStringLiteral("clipPath"));
    writer.writeAttribute(QStringLiteral("id"), QLatin1String(part->id) + QStringLiteral("-clip"));
    writer.writeEmptyElement(QStringLiteral("rect"));
    writer.writeAttribute(QStringLiteral("x"), number(box.left / kTwipsPerSvgUnit));
    writer.writeAttribute(QStringLiteral("y"), number(box.top / kTwipsPerSvgUnit));
    writer.writeAttribute(QStringLiteral("width"), number(box.width / kTwipsPerSvgUnit));
    writer.writeAttribute(QStringLiteral("height"), number(box.height / kTwipsPerSvgUnit));
    writer.writeEndElement();
  }
  writer.writeEndElement();
  writer.writeEmptyElement(QStringLiteral("rect"));
  writer.writeAttribute(QStringLiteral("width"), QStringLiteral("100%"));
  writer.writeAttribute(QStringLiteral("height"), QStringLiteral("100%"));
  writer.writeAttribute(QStringLiteral("fill"), view.stripBackground().name());
  for (const SvgPart *part : {&y, &x, &graph}) {
    const layout::Box &box = part->box;
    // The clip is in the client area's units; the drawing moves to its box inside it.
    writer.writeStartElement(QStringLiteral("g"));
    writer.writeAttribute(QStringLiteral("id"), QLatin1String(part->id));
    writer.writeAttribute(QStringLiteral("clip-path"), QStringLiteral("url(#%1-clip)").arg(QLatin1String(part->id)));
    writer.writeStartElement(QStringLiteral("g"));
    writer.writeAttribute(QStringLiteral("transform"),
                          QStringLiteral("translate(%1 %2)")
                              .arg(number(box.left / kTwipsPerSvgUnit), number(box.top / kTwipsPerSvgUnit)));
    copyDrawing(part->bytes, writer);
    writer.writeEndElement();
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
      writePng(view.picture(double(settings.scale)), fileName, settings);
      break;
    case ExportFormat::Jpeg:
      writeJpeg(view.picture(double(settings.scale)), fileName, settings);
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
      fail(item.input == "-" ? "standard input" : item.input, e.path().empty() ? e.what() : e.message());
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
    } catch (const std::exception &e) {
      fail(item.output, e.what());
    }
  }
  return status;
}

}  // namespace vesk
