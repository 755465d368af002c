#include "meterlink.h"

#include "linkhost.h"
#include "linkport.h"

// Placeholder until the link lands.
MeterLink::MeterLink(LinkPort &port, LinkHost &host) : m_port(port), m_host(host) {}

void MeterLink::init_cmds() {}

void MeterLink::tick() {}

void MeterLink::onComm()
{
    rxbuf = m_port.input();
}
