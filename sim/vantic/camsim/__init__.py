"""The USB/serial camera simulator: the camera's side of the register/action protocol."""
