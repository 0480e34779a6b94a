// Shared frame of the register reports; filled in with the drivers.
