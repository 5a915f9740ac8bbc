// Writing a 720 x 478 graph-like picture as JPEG against a floor: the same
// buffer through a bare tjCompress2 and the bytes written to a file (with and
// without fsync); and the whole Save command with the dialog answered at once.
#include "export/cDIBSection.h"
#include "export/mIntelJPEGLibrary.h"
#include "ui/SaveAsJpeg.h"

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// White with black axes, a grid of ticks, a curve, markers and some text.
void paintGraph(QPainter &painter, QSize size) {
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  painter.setPen(Qt::black);
  painter.drawRect(72, 8, size.width() - 80, size.height() - 70);
  for (int x = 72; x < size.width() - 8; x += 64) {
    painter.drawLine(x, size.height() - 62, x, size.height() - 56);
    painter.drawText(x - 10, size.height() - 40, QString::number(x / 64.0, 'g', 3));
  }
  for (int y = 8; y < size.height() - 62; y += 48) {
    painter.drawLine(66, y, 72, y);
    painter.drawText(20, y + 5, QString::number(y * 0.5));
  }
  QPointF previous(72, size.height() / 2.0);
  for (int x = 73; x < size.width() - 8; ++x) {
    const QPointF next(x, size.height() / 2.0 - 150 * std::sin(x / 40.0) * std::exp(-x / 700.0));
    painter.drawLine(previous, next);
    previous = next;
  }
  for (int x = 80; x < size.width() - 8; x += 20) painter.drawEllipse(QPointF(x, 300 + 40 * std::cos(x / 30.0)), 3, 3);
  painter.drawText(300, size.height() - 10, QStringLiteral("Time (s)"));
}

class GraphWidget : public QWidget {
protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    paintGraph(painter, size());
  }
};

vesk::cDIBSection graphBuffer() {
  QImage picture(720, 478, QImage::Format_RGB32);
  QPainter painter(&picture);
  paintGraph(painter, picture.size());
  painter.end();
  vesk::cDIBSection dib;
  dib.CreateFromPicture(picture);
  return dib;
}

std::string benchFile(const char *name) { return "/tmp/vesk-bench-" + std::to_string(::getpid()) + "-" + name; }

void WriteJpegFile720x478(benchmark::State &state) {
  const vesk::cDIBSection dib = graphBuffer();
  const std::string file = benchFile("writer.jpg");
  for (auto _ : state) vesk::WriteJpegFile(dib, file, 90);
  std::remove(file.c_str());
}
BENCHMARK(WriteJpegFile720x478)->Unit(benchmark::kMillisecond);

struct TjDeleter {
  void operator()(void *handle) const { tjDestroy(handle); }
};

void bareCompressAndWrite(benchmark::State &state, bool sync) {
  const vesk::cDIBSection dib = graphBuffer();
  const std::string file = benchFile(sync ? "bare-sync.jpg" : "bare.jpg");
  for (auto _ : state) {
    std::unique_ptr<void, TjDeleter> handle(tjInitCompress());
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle.get(), dib.DIBSectionBitsPtr(), dib.Width(), dib.BytesPerScanLine(), dib.Height(), TJPF_BGR,
                &jpeg, &size, TJSAMP_420, 90, TJFLAG_BOTTOMUP);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    benchmark::DoNotOptimize(::write(fd, jpeg, size));
    if (sync) ::fsync(fd);
    ::close(fd);
    tjFree(jpeg);
  }
  std::remove(file.c_str());
}

void BareCompressAndWrite720x478(benchmark::State &state) { bareCompressAndWrite(state, false); }
BENCHMARK(BareCompressAndWrite720x478)->Unit(benchmark::kMillisecond);

void BareCompressWriteAndSync720x478(benchmark::State &state) { bareCompressAndWrite(state, true); }
BENCHMARK(BareCompressWriteAndSync720x478)->Unit(benchmark::kMillisecond);

class AnswerAtOnce : public vesk::SaveDialogs {
public:
  explicit AnswerAtOnce(std::string file) : file(std::move(file)) {}
  std::optional<vesk::SaveFileAnswer> getSaveFileName(const vesk::SaveFileRequest &) override {
    return vesk::SaveFileAnswer{file, 1};
  }
  void warningBox(const std::string &text, const std::string &, const std::string &) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::abort();
  }

private:
  std::string file;
};

void SaveCommandWithoutDialog720x478(benchmark::State &state) {
  QMainWindow form;
  auto *client = new GraphWidget;
  client->setFixedSize(720, 478);
  form.setCentralWidget(client);
  form.show();
  AnswerAtOnce dialogs(benchFile("save.jpg"));
  for (auto _ : state) vesk::saveAsJpeg(form, "/tmp", dialogs);
  std::remove(benchFile("save.jpg").c_str());
}
BENCHMARK(SaveCommandWithoutDialog720x478)->Unit(benchmark::kMillisecond);

}  // namespace
