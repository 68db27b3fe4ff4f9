// KVCommandHost: what the project commands need of the window that owns the project: the
// documents seam, the project, the settings' folders and recent list, and opening and
// closing projects.
#pragma once

#include <windows.h>

#include <string>

#include "app/framework/DocumentHost.h"
#include "project/ProjectItem.h"

class KVProject;
class KVSettings;

class KVCommandHost : public KVDocumentHost {
public:
  // The owner of the commands' dialogs and message boxes.
  virtual HWND commandOwner() const = 0;
  virtual KVProject& project() = 0;
  virtual const KVSettings& settings() const = 0;
  virtual bool projectOpen() const = 0;
  // Asks about unsaved changes and closes the open project; false when the user cancelled.
  virtual bool closeProject() = 0;
  // Opens the project file, closing the open project once the new one is known to open;
  // says why when it cannot. False when nothing was opened.
  virtual bool openProject(const std::string& path) = 0;
  // Makes the record for an item just added to the project, shows it and opens it.
  virtual DocumentRecord* addDocument(ProjectItem* item) = 0;
  // The record of a project file already in the project, or null.
  virtual DocumentRecord* findDocument(const std::string& path, ProjectItemType kind) = 0;
  // The first record of the open project, or null.
  virtual DocumentRecord* firstDocument() = 0;

protected:
  ~KVCommandHost() = default;
};
