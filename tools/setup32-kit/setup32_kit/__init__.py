"""The kit author's tools of Setup32: python3 -m setup32_kit, installed as
the command setup32-kit."""
