// The program's entry: the conversion window.
#include "app/qt/aplikacja.h"

int main(int argc, char** argv) {
  return konw::uruchomProgram(argc, argv);
}
