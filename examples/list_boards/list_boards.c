/* Lists the fitted Tamrix boards with their versions and resources.
 *
 * Build:  cc list_boards.c $(pkg-config --cflags --libs tamrix) -o list_boards
 *
 * A board is found by opening its slot; an empty slot refuses the open. */
#include <stdio.h>
#include <tamrix.h>

static void print_versions(void) {
  uint32_t library = 0, driver = 0;
  if (TamrixGetVersion(&library, &driver)) {
    printf("library %lX, driver %u.%u build %u\n", (unsigned long)library, (unsigned)(driver >> 24),
           (unsigned)((driver >> 16) & 0xFF), (unsigned)(driver & 0xFFFF));
  }
}

static void print_board(uint16_t slot, const TAMRIXR *r) {
  printf("slot %u: revision %u, firmware %u.%02u", slot, r->Reserved[0], r->Reserved[1],
         r->Reserved[2]);
  for (unsigned i = 0; i < r->NumIOPorts && i < 20; ++i) {
    printf("%s%XH (%XH)", i == 0 ? ", I/O " : ", ", r->IOPortBase[i], r->IOPortLength[i]);
  }
  for (unsigned i = 0; i < r->NumIRQs && i < 7; ++i) printf(", IRQ %u", r->IRQRegisters[i]);
  if (r->NumDMAs == 0) printf(", no DMA");
  for (unsigned i = 0; i < r->NumDMAs && i < 7; ++i) printf(", DMA %u", r->DMALst[i]);
  for (unsigned i = 0; i < r->NumMemWindows && i < 9; ++i) {
    printf(", memory %lXH (%lXH)", (unsigned long)r->MemBase[i], (unsigned long)r->MemLength[i]);
  }
  printf("\n");
}

int main(void) {
  int found = 0;
  print_versions();
  for (uint16_t wanted = 0; wanted < TAMRIX_SLOT_COUNT; ++wanted) {
    uint16_t slot = wanted;
    if (!TamrixCreate(&slot, 0, NULL)) continue; /* empty slot */
    TAMRIXR record;
    if (TamrixGetResource(slot, &record)) {
      print_board(slot, &record);
      ++found;
    } else {
      int32_t code = TamrixGetLastError(slot);
      const char *name = tamrix_status_name(code);
      fprintf(stderr, "slot %u: GetResource failed: %ld %s\n", slot, (long)code, name ? name : "");
    }
    TamrixClose(slot);
  }
  printf("%d board%s\n", found, found == 1 ? "" : "s");
  return found > 0 ? 0 : 1;
}
