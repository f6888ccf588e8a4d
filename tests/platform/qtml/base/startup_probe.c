/* A fresh process with libqtmlClient.so, loaded as a host loads it, for
 * the start-up tests: whatever QTML_FAIL armed when the engine loaded
 * shows in what these calls answer, printed one a line as "Name result".
 * Written in C, as a host may be, against the public headers alone. */
#include <stdio.h>

#include "Gestalt.h"
#include "QTML.h"

int main(void) {
  long version = 0;
  int i;
  for (i = 0; i < 2; ++i) printf("InitializeQTML %d\n", InitializeQTML(0));
  for (i = 0; i < 3; ++i) printf("Gestalt %d\n", Gestalt(gestaltQuickTime, &version));
  return 0;
}
