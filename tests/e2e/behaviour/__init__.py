"""The end-to-end scenarios, one module for each part of the behaviour."""
