// A portmapper of our own (program 100000 version 2: NULL and GETPORT over TCP and UDP), so that
// "TCPIP::HOST::INSTR" finds the VXI-11 service without a system rpcbind.
#pragma once

#include <cstdint>

#include <rpc/rpc.h>

namespace trv3::sim {

struct PortAssignments {
  uint16_t portmapper;  // answered for the portmapper itself
  uint16_t core;        // VXI-11 core channel, TCP
  uint16_t async;       // VXI-11 abort channel, TCP
};

// GETPORT's answer: the port of a program/version over a protocol, 0 when not served.
uint16_t lookUpPort(const PortAssignments& ports, unsigned long program, unsigned long version,
                    unsigned long protocol);

// Registers the portmapper's dispatch on both transports (without any system rpcbind).
// Throws std::runtime_error.
void servePortmapper(SVCXPRT* tcp, SVCXPRT* udp, const PortAssignments& ports);

}  // namespace trv3::sim
