#include "files/PdfCheck.h"

#include "files/SafeReplace.h"

#include <QFile>
#include <QString>

#include <cctype>
#include <charconv>
#include <string_view>

namespace vesk {

namespace {

bool pointsAtCrossReference(const QByteArray &at) {
  const std::string_view s(at.constData(), std::size_t(at.size()));
  if (s.substr(0, 4) == "xref") return true;
  // A cross-reference stream: "<number> <generation> obj".
  std::size_t i = 0;
  for (int number = 0; number < 2; ++number) {
    const std::size_t start = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == start || i >= s.size() || s[i] != ' ') return false;
    ++i;
  }
  return s.substr(i, 3) == "obj";
}

}  // namespace

void checkPdfComplete(const std::string &fileName) {
  const auto incomplete = [&] {
    throw FileWriteError("the file was not written completely (is the disk full?)", fileName);
  };
  QFile file(QString::fromUtf8(fileName.data(), qsizetype(fileName.size())));
  if (!file.open(QIODevice::ReadOnly)) throw FileWriteError(file.errorString().toStdString(), fileName);
  const qint64 size = file.size();
  constexpr qint64 tailSize = 1024;
  if (size < 16 || !file.seek(std::max<qint64>(0, size - tailSize))) incomplete();
  const QByteArray tail = file.read(tailSize);
  const qsizetype eof = tail.lastIndexOf("%%EOF");
  const qsizetype startxref = tail.lastIndexOf("startxref");
  if (eof < 0 || startxref < 0 || startxref > eof) incomplete();
  const QByteArray number = tail.mid(startxref + 9, eof - startxref - 9).trimmed();
  qint64 offset = -1;
  const auto [end, error] = std::from_chars(number.constData(), number.constData() + number.size(), offset);
  if (error != std::errc() || end != number.constData() + number.size() || offset < 0 || offset >= size) incomplete();
  if (!file.seek(offset) || !pointsAtCrossReference(file.read(32))) incomplete();
}

void replacePdf(const std::string &fileName, const std::function<void(const std::string &temporaryName)> &write) {
  replaceThroughTemporary(fileName, write, checkPdfComplete);
}

}  // namespace vesk
