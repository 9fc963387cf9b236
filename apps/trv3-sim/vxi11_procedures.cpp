// The RPC procedures that the rpcgen skeleton calls: thin adapters onto the link table. Every
// procedure of the definition must exist; those the simulator does not offer answer "operation
// not supported".
#include <optional>
#include <string>

#include "vxi11.h"
#include "vxi11_service.h"

namespace {

using trv3::sim::Vxi11Service;
namespace vxi11 = trv3::sim::vxi11;

vxi11::LinkTable& links() { return Vxi11Service::active().links(); }

// The data of the device_read reply being sent: the reply points into it, and the skeleton sends
// the reply before it frees the result. One thread serves every request.
std::string readReplyData;

}  // namespace

extern "C" {

bool_t create_link_1_svc(Create_LinkParms* parms, Create_LinkResp* resp, svc_req* request) {
  const auto created =
      links().create(parms->device ? parms->device : "", request->rq_xprt->xp_fd);
  resp->error = created.error;
  resp->lid = created.link;
  resp->abortPort = Vxi11Service::active().abortPort();
  resp->maxRecvSize = vxi11::kLongestMessage;
  return TRUE;
}

bool_t device_write_1_svc(Device_WriteParms* parms, Device_WriteResp* resp, svc_req*) {
  const std::string_view data(parms->data.data_val, parms->data.data_len);
  resp->error = links().write(parms->lid, data, (parms->flags & vxi11::kEndFlag) != 0);
  resp->size = resp->error == vxi11::kNoError ? parms->data.data_len : 0;
  return TRUE;
}

bool_t device_read_1_svc(Device_ReadParms* parms, Device_ReadResp* resp, svc_req*) {
  std::optional<char> termChar;
  if (parms->flags & vxi11::kTermCharSetFlag) termChar = parms->termChar;
  auto result = links().read(parms->lid, parms->requestSize, parms->io_timeout, termChar);
  resp->error = result.error;
  resp->reason = result.reason;
  readReplyData = std::move(result.data);
  resp->data.data_len = static_cast<u_int>(readReplyData.size());
  resp->data.data_val = readReplyData.data();  // released in device_core_1_freeresult
  return TRUE;
}

bool_t device_readstb_1_svc(Device_GenericParms* parms, Device_ReadStbResp* resp, svc_req*) {
  resp->error = links().check(parms->lid);
  resp->stb = links().statusByte(parms->lid);
  return TRUE;
}

bool_t device_trigger_1_svc(Device_GenericParms*, Device_Error* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  return TRUE;
}

bool_t device_clear_1_svc(Device_GenericParms* parms, Device_Error* resp, svc_req*) {
  resp->error = links().clear(parms->lid);
  return TRUE;
}

// Without a front panel, remote and local change nothing.
bool_t device_remote_1_svc(Device_GenericParms* parms, Device_Error* resp, svc_req*) {
  resp->error = links().check(parms->lid);
  return TRUE;
}

bool_t device_local_1_svc(Device_GenericParms* parms, Device_Error* resp, svc_req*) {
  resp->error = links().check(parms->lid);
  return TRUE;
}

bool_t device_lock_1_svc(Device_LockParms*, Device_Error* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  return TRUE;
}

bool_t device_unlock_1_svc(Device_Link*, Device_Error* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  return TRUE;
}

bool_t device_enable_srq_1_svc(Device_EnableSrqParms*, Device_Error* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  return TRUE;
}

bool_t device_docmd_1_svc(Device_DocmdParms*, Device_DocmdResp* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  resp->data_out.data_out_len = 0;
  resp->data_out.data_out_val = nullptr;
  return TRUE;
}

bool_t destroy_link_1_svc(Device_Link* link, Device_Error* resp, svc_req*) {
  resp->error = links().destroy(*link);
  return TRUE;
}

bool_t create_intr_chan_1_svc(Device_RemoteFunc*, Device_Error* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  return TRUE;
}

bool_t destroy_intr_chan_1_svc(void*, Device_Error* resp, svc_req*) {
  resp->error = vxi11::kNotSupported;
  return TRUE;
}

// Every request completes before the next is read, so there is never anything to abort.
bool_t device_abort_1_svc(Device_Link* link, Device_Error* resp, svc_req*) {
  resp->error = links().check(*link);
  return TRUE;
}

// The interrupt channel runs from instrument to controller; a simulator never receives it.
bool_t device_intr_srq_1_svc(Device_SrqParms*, void*, svc_req*) { return FALSE; }

int device_core_1_freeresult(SVCXPRT*, xdrproc_t xdr_result, caddr_t result) {
  if (xdr_result == reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp)) {
    reinterpret_cast<Device_ReadResp*>(result)->data.data_val = nullptr;  // readReplyData's
    std::string().swap(readReplyData);
  }
  xdr_free(xdr_result, result);
  return 1;
}

int device_async_1_freeresult(SVCXPRT*, xdrproc_t xdr_result, caddr_t result) {
  xdr_free(xdr_result, result);
  return 1;
}

int device_intr_1_freeresult(SVCXPRT*, xdrproc_t xdr_result, caddr_t result) {
  xdr_free(xdr_result, result);
  return 1;
}

}  // extern "C"
