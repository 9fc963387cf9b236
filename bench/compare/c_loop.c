#include "c_loop.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "vxi11.h"

int cloop_socket_open(const char* host, uint16_t port) {
  struct sockaddr_in address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (inet_pton(AF_INET, host, &address.sin_addr) != 1) return -1;
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (connect(fd, (struct sockaddr*)&address, sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int cloop_socket_write(int fd, const char* message) {
  size_t length = strlen(message);
  char* line = malloc(length + 1);
  memcpy(line, message, length);
  line[length] = '\n';
  ssize_t sent = send(fd, line, length + 1, MSG_NOSIGNAL);
  free(line);
  return sent == (ssize_t)(length + 1) ? 0 : -1;
}

/* The whole length of a reply that begins with these bytes, or 0 while it cannot be told yet. */
static size_t replyLength(const char* bytes, size_t received) {
  if (received == 0) return 0;
  if (bytes[0] != '#') {
    const char* newline = memchr(bytes, '\n', received);
    return newline ? (size_t)(newline - bytes) + 1 : 0;
  }
  if (received < 2) return 0;
  size_t digits = (size_t)(bytes[1] - '0');
  if (received < 2 + digits) return 0;
  size_t length = 0;
  for (size_t i = 0; i < digits; ++i) length = length * 10 + (size_t)(bytes[2 + i] - '0');
  return 2 + digits + length + 1;
}

long cloop_socket_read(int fd, char* buffer, size_t capacity) {
  size_t received = 0;
  size_t expected = 0;
  while (expected == 0 || received < expected) {
    ssize_t got = recv(fd, buffer + received, capacity - received, 0);
    if (got <= 0) return -1;
    received += (size_t)got;
    if (expected == 0) expected = replyLength(buffer, received);
    if (received == capacity && received < expected) return -1;
  }
  return (long)received;
}

struct cloop_vxi11 {
  CLIENT* client;
  Device_Link lid;
};

static const struct timeval kCallTimeout = {30, 0};

cloop_vxi11* cloop_vxi11_open(const char* host) {
  struct sockaddr_in address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  if (inet_pton(AF_INET, host, &address.sin_addr) != 1) return NULL;
  address.sin_port = htons(pmap_getport(&address, DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP));
  if (address.sin_port == 0) return NULL;
  int fd = RPC_ANYSOCK;
  CLIENT* client = clnttcp_create(&address, DEVICE_CORE, DEVICE_CORE_VERSION, &fd, 0, 0);
  if (client == NULL) return NULL;
  clnt_control(client, CLSET_TIMEOUT, (char*)&kCallTimeout);
  Create_LinkParms request = {0};
  request.device = "inst0";
  Create_LinkResp reply;
  memset(&reply, 0, sizeof reply);
  if (create_link_1(&request, &reply, client) != RPC_SUCCESS || reply.error != 0) {
    clnt_destroy(client);
    return NULL;
  }
  cloop_vxi11* link = malloc(sizeof *link);
  link->client = client;
  link->lid = reply.lid;
  return link;
}

void cloop_vxi11_close(cloop_vxi11* link) {
  Device_Error reply;
  memset(&reply, 0, sizeof reply);
  destroy_link_1(&link->lid, &reply, link->client);
  clnt_destroy(link->client);
  free(link);
}

int cloop_vxi11_write(cloop_vxi11* link, const char* message) {
  Device_WriteParms request;
  memset(&request, 0, sizeof request);
  request.lid = link->lid;
  request.io_timeout = 10000;
  request.flags = 0x08; /* END */
  request.data.data_len = (u_int)strlen(message);
  request.data.data_val = (char*)message;
  Device_WriteResp reply;
  memset(&reply, 0, sizeof reply);
  if (device_write_1(&request, &reply, link->client) != RPC_SUCCESS) return -1;
  return reply.error == 0 ? 0 : -1;
}

long cloop_vxi11_read(cloop_vxi11* link, char* buffer, size_t capacity) {
  size_t received = 0;
  for (;;) {
    Device_ReadParms request;
    memset(&request, 0, sizeof request);
    request.lid = link->lid;
    request.requestSize = (u_long)(capacity - received);
    request.io_timeout = 10000;
    Device_ReadResp reply;
    memset(&reply, 0, sizeof reply);
    /* The bytes are decoded straight into the caller's buffer. */
    reply.data.data_val = buffer + received;
    if (device_read_1(&request, &reply, link->client) != RPC_SUCCESS || reply.error != 0) return -1;
    received += reply.data.data_len;
    if (reply.reason & 0x04) return (long)received; /* END */
    if (received == capacity) return -1;
  }
}
