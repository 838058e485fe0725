/* Streams samples from one Tamrix board, driven by its notifications.
 *
 * Usage: stream_samples [WORDS [FIRST-LAST]]   (default: 8192 words, channels 0-3)
 *
 * Opens any free board with a notification window, samples the channels in
 * turn continuously into the driver's buffer, and each time the driver posts
 * BuffHalfFull fetches the whole scans that wait, until WORDS words are read.
 * Prints one line per scan: the scan number, then each channel's 12-bit value. */
#include <stdio.h>
#include <stdlib.h>
#include <tamrix.h>
#include <tamrix_window.h>

static int fail(const char *what, uint16_t slot) {
  int32_t code = TamrixGetLastError(slot);
  const char *name = tamrix_status_name(code);
  fprintf(stderr, "%s failed: %ld %s\n", what, (long)code, name ? name : "(platform error)");
  return 1;
}

static void print_scans(const uint16_t *words, uint32_t count, unsigned channels,
                        unsigned long *scan) {
  for (uint32_t i = 0; i + channels <= count; i += channels) {
    printf("%lu", (*scan)++);
    for (unsigned c = 0; c < channels; ++c) printf(" %u", TAMRIX_WORD_VALUE(words[i + c]));
    printf("\n");
  }
}

static int stream(uint16_t slot, uint32_t window, uint32_t wanted, unsigned first, unsigned last) {
  const unsigned channels = last - first + 1;
  ModeRecord mode = {first, last, 4096 / channels * channels, 250, 3}; /* continuous, 250 µs */
  if (!TamrixSetMode(slot, &mode)) return fail("TamrixSetMode", slot);
  uint16_t *words = malloc(sizeof *words * mode.BuffSize);
  if (words == NULL) return 1;
  if (!TamrixStartSampling(slot)) {
    free(words);
    return fail("TamrixStartSampling", slot);
  }
  printf("# scan");
  for (unsigned c = first; c <= last; ++c) printf(" ch%02u", c);
  printf("\n");
  unsigned long scan = 0;
  uint32_t read = 0;
  int status = 0;
  while (read < wanted && status == 0) {
    uint32_t message = 0;
    /* Half a buffer takes about half a second; a silent board is an error. */
    if (tmx_window_wait(window, 5000, &message, NULL, NULL) != 1) {
      fprintf(stderr, "no notification from the board\n");
      status = 1;
      break;
    }
    if (message != TAMRIX_MSG_BUFF_HALF_FULL && message != TAMRIX_MSG_BUFF_FULL) continue;
    uint32_t waiting = 0, bits = 0;
    if (!TamrixGetSamplingStatus(slot, &waiting, &bits)) {
      status = fail("TamrixGetSamplingStatus", slot);
      break;
    }
    uint32_t take = waiting / channels * channels;
    if (take > wanted - read) take = (wanted - read + channels - 1) / channels * channels;
    if (take == 0) continue;
    if (!TamrixGetData(slot, take, words)) {
      status = fail("TamrixGetData", slot);
      break;
    }
    print_scans(words, take, channels, &scan);
    read += take;
  }
  TamrixStopSampling(slot);
  free(words);
  return status;
}

int main(int argc, char **argv) {
  uint32_t wanted = argc > 1 ? (uint32_t)strtoul(argv[1], NULL, 10) : 8192;
  unsigned first = 0, last = 3;
  if (argc > 2 && (sscanf(argv[2], "%u-%u", &first, &last) != 2 || first > last || last > 15)) {
    fprintf(stderr, "usage: %s [WORDS [FIRST-LAST]]\n", argv[0]);
    return 2;
  }
  uint32_t window = tmx_window_create();
  if (window == 0) {
    fprintf(stderr, "no notification window\n");
    return 1;
  }
  uint16_t slot = TAMRIX_ANY_SLOT;
  if (!TamrixCreate(&slot, window, NULL)) {
    tmx_window_destroy(window);
    return fail("TamrixCreate", 0);
  }
  fprintf(stderr, "streaming %lu words from slot %u\n", (unsigned long)wanted, slot);
  int status = stream(slot, window, wanted, first, last);
  TamrixClose(slot);
  tmx_window_destroy(window);
  return status;
}
