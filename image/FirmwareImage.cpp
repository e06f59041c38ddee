namespace drivesmith {}  // NOLINT: filled in by its owner
