// The baseline of the start-up measurement: the least a Qt text editor does before its window
// shows, one window with one text control, in the same toolkit and build as the editor.
#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setCentralWidget(new QPlainTextEdit(&window));
  window.resize(555, 510);
  window.show();
  return QApplication::exec();
}
