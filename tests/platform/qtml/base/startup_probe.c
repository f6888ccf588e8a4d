/* A fresh process with libqtmlClient.so, loaded as a host loads it, for
 * the start-up tests: whatever QTML_FAIL armed when the engine loaded
 * shows in what these calls answer, printed one a line as "Name result".
 * Written in C, as a host may be, against the public headers alone.
 * With the argument "libraries" it says instead whether the container
 * library is loaded once the engine started and a graphics exporter is
 * open: it is opened only when a movie is written. */
#define _GNU_SOURCE
#include <link.h>
#include <stdio.h>
#include <string.h>

#include "Gestalt.h"
#include "QTML.h"
#include "QuickTimeComponents.h"

static int CountContainerLibrary(struct dl_phdr_info* info, size_t size, void* count) {
  (void)size;
  if (strstr(info->dlpi_name, "libavformat") != NULL) ++*(int*)count;
  return 0;
}

int main(int argc, char** argv) {
  long version = 0;
  int i;
  if (argc > 1 && strcmp(argv[1], "libraries") == 0) {
    ComponentInstance exporter = NULL;
    int loaded = 0;
    printf("InitializeQTML %d\n", InitializeQTML(0));
    printf("EnterMovies %d\n", EnterMovies());
    printf("OpenADefaultComponent %d\n",
           (int)OpenADefaultComponent(GraphicsExporterComponentType, 'PNGf', &exporter));
    CloseComponent(exporter);
    dl_iterate_phdr(CountContainerLibrary, &loaded);
    printf("libavformat %s\n", loaded ? "loaded" : "not loaded");
    return 0;
  }
  for (i = 0; i < 2; ++i) printf("InitializeQTML %d\n", InitializeQTML(0));
  for (i = 0; i < 3; ++i) printf("Gestalt %d\n", Gestalt(gestaltQuickTime, &version));
  return 0;
}
