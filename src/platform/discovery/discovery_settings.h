// The settings object the connect dialog hands to the discovery control: what kind of instrument
// is asked for, which models the caller supports, and the instrument the user picked. The control
// keeps the user's selection in the object assigned to it; the dialog reads it back on "&Close".
// Used on the dialog's thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/discovery/model_collection.h"
#include "platform/io/io_session.h"

namespace trv3::discovery {

class DiscoverySettings {
 public:
  const std::string& InstrumentType() const { return instrumentType_; }
  void setInstrumentType(std::string type) { instrumentType_ = std::move(type); }

  // A reference: the caller assigns a collection and may read it back to add entries.
  std::shared_ptr<ModelCollection> SupportedModelList() const { return supportedModelList_; }
  void setSupportedModelList(std::shared_ptr<ModelCollection> list) {
    supportedModelList_ = std::move(list);
  }

  // The picked instrument, or nullptr. Its ResourceAddress needs no open session; its first I/O
  // operation opens one.
  io::IoSessionRef SelectedInstrument() const { return selectedInstrument_; }
  void setSelectedInstrument(io::IoSessionRef instrument) {
    selectedInstrument_ = std::move(instrument);
  }

 private:
  std::string instrumentType_;
  std::shared_ptr<ModelCollection> supportedModelList_;
  io::IoSessionRef selectedInstrument_;
};

}  // namespace trv3::discovery
