// Per-document data of a module: one record per open document, created on first request.
#pragma once

#include <map>
#include <memory>

#include "platform/runtime/runtime.h"

// Keeps one T per document of the host's document manager.
template <typename T>
class OvApDataManager : public ovrx::OvApDocManagerReactor {
 public:
  OvApDataManager() { ovrx::docManager().addReactor(this); }
  ~OvApDataManager() override { ovrx::docManager().removeReactor(this); }
  OvApDataManager(const OvApDataManager&) = delete;
  OvApDataManager& operator=(const OvApDataManager&) = delete;

  // The record of the current document, made on first request.
  T& docData() { return docData(ovrx::docManager().curDocument()); }
  T& docData(ovrx::OvApDocument* document) {
    auto& slot = records_[document];
    if (!slot) slot = std::make_unique<T>();
    return *slot;
  }
  std::size_t recordCount() const { return records_.size(); }

  void documentToBeDestroyed(ovrx::OvApDocument* document) override { records_.erase(document); }

 private:
  std::map<ovrx::OvApDocument*, std::unique_ptr<T>> records_;
};
