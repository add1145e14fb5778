// Placeholder until the bench lands.
