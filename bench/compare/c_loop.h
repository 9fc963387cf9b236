/* The loopback limit: the plainest C client that can take part in the same exchanges as our
   session, over a raw socket and over VXI-11. It checks nothing and converts nothing: it sends the
   command, receives until the reply is complete, and reports the length. */
#ifndef TRV3_BENCH_C_LOOP_H
#define TRV3_BENCH_C_LOOP_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A connected socket, or -1. */
int cloop_socket_open(const char* host, uint16_t port);
/* Sends the message and its "\n"; 0 on success. */
int cloop_socket_write(int fd, const char* message);
/* Receives one reply into the buffer: a line up to its "\n", or a definite-length block
   ("#<n><length><bytes>") and its "\n". The reply's length, or -1. */
long cloop_socket_read(int fd, char* buffer, size_t capacity);

typedef struct cloop_vxi11 cloop_vxi11;
/* A link to device "inst0" whose core port the portmapper on port 111 names, or NULL. */
cloop_vxi11* cloop_vxi11_open(const char* host);
void cloop_vxi11_close(cloop_vxi11* link);
int cloop_vxi11_write(cloop_vxi11* link, const char* message);
/* Reads until the instrument marks the end of the reply, each read asking for all the room left. */
long cloop_vxi11_read(cloop_vxi11* link, char* buffer, size_t capacity);

#ifdef __cplusplus
}
#endif

#endif
