// The program Tarsel with the product's camera families.
#include "app/main/ProgramMain.h"

int main(int argc, char** argv) {
  return tarsel::program::RunTarselProgram(argc, argv, {});
}
